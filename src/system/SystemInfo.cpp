#include "system/SystemInfo.h"

#include "base/NumberReading.h"
#include "base/UptimeCounter.h"
#include "model/ShellValues.h"
#include "platform/HostInfo.h"
#include "platform/PathSpace.h"

namespace {

bool isLoopback(const QString& address) {
    return address.startsWith(QLatin1String("127."));
}

QString firstRoutable(const QStringList& addresses) {
    for (const QString& a : addresses) {
        if (!a.isEmpty() && !isLoopback(a)) {
            return a;
        }
    }
    return QString();
}

} // namespace

SystemInfo::SystemInfo(ShellValues& state, UptimeCounter& uptime, const HostInfo& host)
    : m_state(state), m_uptime(uptime), m_host(host) {}

QString SystemInfo::GetHostName() const {
    const QString name = m_host.hostName().trimmed();
    QString address;
    if (!name.isEmpty()) {
        address = firstRoutable(m_host.addressesOf(name));
    }
    if (address.isEmpty()) {
        address = firstRoutable(m_host.interfaceAddresses());
    }
    return address;
}

QString SystemInfo::ComputerName() const {
    const QString name = m_host.hostName().trimmed();
    return name.section(QLatin1Char('.'), 0, 0);
}

qint32 SystemInfo::GetMemoryUsage() const {
    const std::optional<quint64> bytes = m_host.residentBytes();
    if (!bytes) {
        return 0;
    }
    return static_cast<qint32>(RoundHalfEven(static_cast<double>(*bytes) / 1024.0 / 1024.0));
}

bool SystemInfo::is64BitArchitecture(const QString& architecture) {
    return architecture.contains(QLatin1String("64")) || architecture == QLatin1String("s390x") ||
           architecture == QLatin1String("sparcv9");
}

bool SystemInfo::is32BitX86Architecture(const QString& architecture) {
    static const QStringList names = {QStringLiteral("i386"), QStringLiteral("i486"),
                                      QStringLiteral("i586"), QStringLiteral("i686"),
                                      QStringLiteral("x86")};
    return names.contains(architecture);
}

QString SystemInfo::GetOSDisplayString() {
    const QString name = m_host.osPrettyName().trimmed();
    const QString build = m_host.kernelRelease().trimmed();
    if (name.isEmpty() || build.isEmpty()) {
        return QString();
    }
    const QString architecture = m_host.cpuArchitecture();
    QString text = name;
    if (is64BitArchitecture(architecture)) {
        text += QStringLiteral(", 64-bit");
        m_uptime.setTickCount64Disponible(true);
    } else if (is32BitX86Architecture(architecture)) {
        text += QStringLiteral(", 32-bit");
    }
    m_state.PbLVersionWindows = 10;
    // The blank before the service-pack text stays when there is none, as it always
    // did: two blanks before the parenthesis.
    const QString servicePack;
    text += QLatin1Char(' ') + servicePack + QStringLiteral(" (build ") + build + QLatin1Char(')');
    return text;
}

QString SystemInfo::GetWinDir() {
    return PathSpace::windowsFolder();
}

QString SystemInfo::GetWinSysDir() {
    return PathSpace::systemFolder();
}

QString SystemInfo::GetSpecialFolderLocation(qint32 folderId) {
    const QString profile = PathSpace::userProfileFolder();
    switch (folderId) {
    case 0:
        return profile + QStringLiteral("\\Desktop");
    case 5:
        return profile + QStringLiteral("\\Documents");
    case 7:
        return PathSpace::startupFolder();
    case 26:
        return profile + QStringLiteral("\\AppData\\Roaming");
    case 28:
        return profile + QStringLiteral("\\AppData\\Local");
    case 35:
        return QStringLiteral("C:\\ProgramData");
    case 36:
        return PathSpace::windowsFolder();
    case 37:
        return PathSpace::systemFolder();
    default:
        return QString();
    }
}
