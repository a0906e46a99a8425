#include "devicedatabaseconnection.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QSqlError>

namespace {

// Long enough for a short write by another program, short enough not to freeze the window.
const char *const connectOptions = "QSQLITE_BUSY_TIMEOUT=300";

} // namespace

DeviceDatabaseConnection::DeviceDatabaseConnection(const QString &databaseName)
    : m_name(unusedConnectionName())
{
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_database.setHostName(QStringLiteral("localhost"));
    m_database.setDatabaseName(databaseName);
    m_database.setConnectOptions(QString::fromLatin1(connectOptions));
}

DeviceDatabaseConnection::~DeviceDatabaseConnection()
{
    close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

QString DeviceDatabaseConnection::name() const
{
    return m_name;
}

QSqlDatabase DeviceDatabaseConnection::database() const
{
    return m_database;
}

bool DeviceDatabaseConnection::isOpen() const
{
    return m_database.isOpen();
}

bool DeviceDatabaseConnection::open()
{
    return m_database.open();
}

void DeviceDatabaseConnection::close()
{
    m_statements.clear();
    m_database.close();
}

QString DeviceDatabaseConnection::lastErrorText() const
{
    return m_database.lastError().text();
}

QSqlQuery &DeviceDatabaseConnection::prepared(const QString &sql)
{
    std::vector<Statement> &pool = m_statements[sql];
    for (Statement &statement : pool) {
        if (statement.query->isActive() && statement.query->isSelect())
            continue;
        if (!statement.prepared)
            statement.prepared = statement.query->prepare(sql);
        return *statement.query;
    }

    Statement statement{std::make_unique<QSqlQuery>(m_database), false};
    statement.query->setForwardOnly(true);
    statement.prepared = statement.query->prepare(sql);
    pool.push_back(std::move(statement));
    return *pool.back().query;
}

QString DeviceDatabaseConnection::unusedConnectionName()
{
    QString name;
    do {
        name = QString::number(QRandomGenerator::global()->generate())
            + QString::number(QDateTime::currentMSecsSinceEpoch());
    } while (QSqlDatabase::contains(name));
    return name;
}
