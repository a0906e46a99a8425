#ifndef DEVICEDATABASECONNECTION_H
#define DEVICEDATABASECONNECTION_H

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <map>
#include <memory>
#include <vector>

// One SQLite connection of a device store, under a name no other connection of the
// process has, so that two stores never take each other's databases away. Statements
// run every second are prepared once and reused.
class DeviceDatabaseConnection
{
public:
    // databaseName is ":memory:" or a file path; the connection is added, not opened.
    explicit DeviceDatabaseConnection(const QString &databaseName);
    ~DeviceDatabaseConnection();

    DeviceDatabaseConnection(const DeviceDatabaseConnection &) = delete;
    DeviceDatabaseConnection &operator=(const DeviceDatabaseConnection &) = delete;

    QString name() const;
    QSqlDatabase database() const;
    bool isOpen() const;
    bool open();
    void close();
    QString lastErrorText() const;

    // A forward-only query prepared with sql. A SELECT that is still being stepped is
    // never handed out twice: its caller ends it with finish(). A failed preparation
    // is tried again next time; executing the query meanwhile reports its error.
    QSqlQuery &prepared(const QString &sql);

private:
    struct Statement {
        std::unique_ptr<QSqlQuery> query;
        bool prepared;
    };

    static QString unusedConnectionName();

    QString m_name;
    QSqlDatabase m_database;
    std::map<QString, std::vector<Statement>> m_statements;
};

#endif // DEVICEDATABASECONNECTION_H
