#include "model/devicedatabaserowreader.h"
#include "model/devicedatabaseschema.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <cstring>

// A row of a damaged "./axdevices.db", or of a live table gone wrong, through
// every reader of rows. The input gives each column in turn a value: a kind
// byte (null, integer, real, text, blob) and what the kind needs.
namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

class Input
{
public:
    Input(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_at >= m_size; }
    quint8 byte() { return atEnd() ? 0 : m_data[m_at++]; }
    QByteArray bytes(size_t count)
    {
        count = qMin(count, m_size - m_at);
        const QByteArray taken(reinterpret_cast<const char *>(m_data + m_at), qsizetype(count));
        m_at += count;
        return taken;
    }

    QVariant value()
    {
        switch (byte() % 5) {
        case 0:
            return QVariant();
        case 1: {
            qint64 number = 0;
            const QByteArray raw = bytes(sizeof number);
            memcpy(&number, raw.constData(), size_t(raw.size()));
            return number;
        }
        case 2: {
            double number = 0;
            const QByteArray raw = bytes(sizeof number);
            memcpy(&number, raw.constData(), size_t(raw.size()));
            return number;
        }
        case 3:
            return QString::fromUtf8(bytes(byte()));
        default:
            return bytes(byte());
        }
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_at = 0;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler(quiet);   // every value out of range is logged
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("rows"));
    database.setDatabaseName(QStringLiteral(":memory:"));
    database.open();
    QSqlQuery(database).exec(DeviceDatabaseSchema::createTable(DeviceDatabaseSchema::LiveLayout));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QSqlDatabase database = QSqlDatabase::database(QStringLiteral("rows"));
    QSqlQuery(database).exec(QStringLiteral("DELETE FROM devices"));
    QSqlQuery insert(database);
    insert.prepare(DeviceDatabaseSchema::liveInsert());
    Input input(data, size);
    for (const QString &column : DeviceDatabaseSchema::columnNames(DeviceDatabaseSchema::LiveLayout))
        insert.bindValue(DeviceDatabaseSchema::bindName(column), input.value());
    if (!insert.exec())
        return 0;

    QSqlQuery rows(DeviceDatabaseSchema::selectAll(), database);
    const DeviceDatabaseRowReader reader(rows.record());
    while (rows.next()) {
        const ArdentixDevice live = reader.liveDevice(rows);
        const ArdentixDevice file = reader.fileDevice(rows);
        const DeviceDatabaseLifeCycle::Row facts = reader.lifeCycleRow(rows);
        if (int(live.discoveryState) < 0 || int(live.discoveryState) > DISCOVERY_OFFLINE
            || facts.discoveryState < 0 || facts.discoveryState > DISCOVERY_OFFLINE
            || int(file.vekNetSupport) < 0 || int(file.vekNetSupport) > VEK_NET_NOT_SUPPORTED
            || int(live.securityStatus) < 0 || int(live.securityStatus) > SECURITY_FULL)
            __builtin_trap();
    }
    return 0;
}
