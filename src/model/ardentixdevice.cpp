#include "ardentixdevice.h"

#include "netutils.h"

#include <QDebug>
#include <QRegularExpression>

#include <cstring>

namespace {

struct FirmwareRow
{
    const char *fileName;   // null in the end row
    qint32 platformCode;
    quint8 flashFlag;
};

// Rows are searched in order; the first match wins, so a later row with the
// same code and flag is never chosen.
const FirmwareRow firmwareTable[] = {
    {"img_k4.bin", 409, 1},
    {"img_k4.bin", 406, 1},
    {"img_k2.bin", 406, 0},
    {"img_r9_4.bin", 408, 1},
    {"img_r9_4.bin", 405, 1},
    {"img_r9.bin", 405, 0},
    {"img_v25.bin", 302, 0},
    {"img_pq.bin", 301, 0},
    {"hostrun.exe", 104, 0},
    {"hostsim.exe", 102, 0},
    {"img_v30", 300, 0},
    {"img_v300.bin", 303, 0},
    {"axnode.bin", 351, 0},
    {"img_v300.bin", 351, 1},
    {"img_cs", 500, 0},
    {"img_v25.bin", 302, 0},
    {"img_bl.bin", 400, 0},
    {"img_kfl.bin", 407, 0},
    {"axnode.img", 100, 0},
    {"bootmenu.exe", 100, 0},
    {"axnode.img", 103, 0},
    {"axnode.img", 101, 0},
    {"axnode.img", 200, 0},
    {"image.bin", 50, 0},
    {nullptr, 50, 0},
};

struct PlatformName
{
    const char *name;
    int code;
};

// Names shared by several codes map back to one of them only.
const PlatformName platformCodesByName[] = {
    {"AXT CORE", 351},
    {"AX-K500-15", 303},
    {"AX-K500-11", 300},
    {"AX-V60", 200},
    {"EmbedKit", 404},
    {"Bridgelet", 400},
    {"Bridgelet SR Lynx", 405},
    {"Bridgelet LW Lynx", 408},
    {"AX-Q-70", 406},
    {"AX-Q-71", 409},
    {"AX-K300-11", 302},
    {"PMC-R7", 301},
    {"Simulation", 102},
    {"PC", 104},
    {"AX-K700", 101},
    {"CardHost", 500},
    {"DKRM", 402},
    {"CM7Q", 403},
    {"Chip+30", 401},
};

const int unknownPlatformCode = 50;
const quint32 corePlatformCode = 351;
const quint32 k500PlatformCode = 303;

} // namespace

ArdentixDevice::ArdentixDevice()
    : onAdapterSubnet(false)
    , ipConnectivity(false)
    , vekConnectivity(false)
    , favorite(false)
    , lastVekCommTime(0)
    , lastIpCommTime(0)
    , discoveryTime(0)
    , userDevice(false)
    , discoveryState(DISCOVERY_NEW)
    , nicCount(1)
    , axguiSupport(false)
    , secureGwSupport(false)
    , diagSupport(false)
    , jsonSupport(false)
    , deviceStatus(0)
    , platformCode(0)
    , duplicateIpAddress(false)
    , vekNetSupport(VEK_NET_UNKNOWN)
    , securityStatus(SECURITY_DISABLED)
    , passwordRequired(false)
    , iamVersion(0)
{
    std::memset(macBytes, 0, sizeof macBytes);
    std::memset(displayMacBytes, 0, sizeof displayMacBytes);
}

bool ArdentixDevice::isIpReachable() const
{
    return !duplicateIpAddress && ipConnectivity;
}

bool ArdentixDevice::isOnJsonRoute() const
{
    return jsonSupport && (isIpReachable() || userDevice);
}

int ArdentixDevice::nicCountForPlatform(int code)
{
    switch (code) {
    case 100: case 101: case 102: case 103: case 104:
    case 300: case 303:
        return 2;
    default:
        return 1;
    }
}

QString ArdentixDevice::platformNameForCode(int code)
{
    switch (code) {
    case 100: case 101: case 103: return QStringLiteral("AX-K700");
    case 102: return QStringLiteral("Simulation");
    case 104: return QStringLiteral("PC");
    case 200: return QStringLiteral("AX-V60");
    case 300: return QStringLiteral("AX-K500-11");
    case 301: return QStringLiteral("PMC-R7");
    case 302: return QStringLiteral("AX-K300-11");
    case 303: return QStringLiteral("AX-K500-15");
    case 351: return QStringLiteral("AXT CORE");
    case 400: return QStringLiteral("Bridgelet");
    case 401: return QStringLiteral("Chip+30");
    case 402: return QStringLiteral("DKRM");
    case 403: return QStringLiteral("CM7Q");
    case 404: return QStringLiteral("EmbedKit");
    case 405: return QStringLiteral("Bridgelet SR Lynx");
    case 406: return QStringLiteral("AX-Q-70");
    case 407: case 409: return QStringLiteral("AX-Q-71");
    case 408: return QStringLiteral("Bridgelet LW Lynx");
    case 500: return QStringLiteral("CardHost");
    default: return QStringLiteral("Unknown");
    }
}

int ArdentixDevice::platformCodeForName(const QString &name)
{
    for (const PlatformName &entry : platformCodesByName) {
        if (name == QLatin1String(entry.name))
            return entry.code;
    }
    return unknownPlatformCode;
}

QString ArdentixDevice::firmwareFileNameFor(int code, int flashFlag) const
{
    for (const FirmwareRow &row : firmwareTable) {
        if (!row.fileName)
            break;
        if (row.platformCode == code && (flashFlag == -1 || flashFlag == row.flashFlag))
            return QString::fromLatin1(row.fileName);
    }
    return QStringLiteral("unknown.bin");
}

void ArdentixDevice::setCredentials(const QString &newUsername, const QString &newPassword)
{
    passwordRequired = true;
    username = newUsername;
    password = newPassword;
}

void ArdentixDevice::setPasswordRequired(bool required)
{
    passwordRequired = required;
    if (!required) {
        username.clear();
        password.clear();
    }
}

bool ArdentixDevice::setIpAddress(const QString &address)
{
    return ipAddress.setAddress(address);
}

void ArdentixDevice::setMac(const unsigned char *bytes)
{
    std::memcpy(macBytes, bytes, sizeof macBytes);
    macAddress = formatMacAddress(macBytes);
}

void ArdentixDevice::setDisplayMac(const unsigned char *bytes)
{
    std::memcpy(displayMacBytes, bytes, sizeof displayMacBytes);
    displayMacAddress = formatMacAddress(displayMacBytes);
}

void ArdentixDevice::setMacString(const QString &text)
{
    parseMacString(text, macBytes);
    macAddress = text;
}

void ArdentixDevice::setDisplayMacString(const QString &text)
{
    parseMacString(text, displayMacBytes);
    displayMacAddress = text;
}

float ArdentixDevice::firmwareVersionNumber() const
{
    // "Ver6.18b": drop the prefix, keep "6.18".
    bool ok = false;
    const float value = firmwareVersion.mid(3).left(4).toFloat(&ok);
    return ok ? value : 0.0f;
}

bool ArdentixDevice::isCoreFirmwareAtLeast618() const
{
    if (firmwareVersionNumber() < 6.18f)
        return false;
    return platformCode == corePlatformCode;
}

bool ArdentixDevice::isFirmwareAtLeast621() const
{
    return firmwareVersionNumber() >= 6.21f;
}

bool ArdentixDevice::isFirmwareAtLeast616() const
{
    if (platformCode != corePlatformCode && platformCode != k500PlatformCode)
        return false;
    static const QRegularExpression number(QStringLiteral("[-+]?[0-9]*\\.?[0-9]+"));
    const QRegularExpressionMatch match = number.match(firmwareVersion);
    if (!match.hasMatch())
        return false;
    bool ok = false;
    const float value = match.captured(0).toFloat(&ok);
    if (!ok) {
        qDebug() << "Firmware version error";
        return false;
    }
    return value >= 6.16f;
}

QString ArdentixDevice::statusText() const
{
    QString text = QStringLiteral("Normal");
    if (deviceStatus & DEVICE_STATUS_ERROR)
        text = QStringLiteral("Error");
    if (deviceStatus & DEVICE_STATUS_TEST_RUNNING)
        text = QStringLiteral("Running Test");
    if (deviceStatus & DEVICE_STATUS_TEST_PASSED) {
        text = QStringLiteral("Test Passed");
        if (deviceStatus & DEVICE_STATUS_ERROR)
            text = QStringLiteral("Test Passed With Error");
    }
    if (deviceStatus & DEVICE_STATUS_TEST_FAILED)
        text = QStringLiteral("Test Failed");
    return text;
}

void ArdentixDevice::print() const
{
    printSummary();
    qDebug() << "Last Restart Time: " << rebootTime;
    qDebug() << "Firmware Version" << firmwareVersion;
    qDebug() << "Build Date: " << buildDate;
    qDebug() << "Build Revision: " << buildRevision;
    qDebug() << "Hot Standby status: " << hotStandbyState;
    qDebug() << "IP connectivity: " << isIpReachable();
    qDebug() << "VEK Connectivity: " << vekConnectivity;
    qDebug() << "Last Vek Comm Time: " << lastVekCommTime;
    qDebug() << "Last IP Comm Time: " << lastIpCommTime;
    qDebug() << "Favorite: " << favorite;
    qDebug() << "First Discoverd: " << discoveryTime;
    qDebug() << "Discovery State: " << int(discoveryState);
    qDebug() << "User Added device: " << userDevice;
    qDebug() << "Local MAC addr: " << localAdapterMac;
    qDebug() << "Device Status: " << statusText();
    qDebug() << "\n";
}

void ArdentixDevice::printSummary() const
{
    qDebug() << "MAC address: " << macAddress;
    qDebug() << "IP address: " << ipAddress.toString();
    qDebug() << "Title: " << configTitle;
    qDebug() << "Platform: " << devicePlatform;
}
