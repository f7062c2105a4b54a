#include "platform/LinuxHostInfo.h"

#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QSysInfo>

#include <sys/utsname.h>
#include <unistd.h>

namespace {

void appendIPv4(QStringList& out, const QHostAddress& address) {
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        out << address.toString();
    }
}

} // namespace

QString LinuxHostInfo::hostName() const {
    return QSysInfo::machineHostName();
}

QStringList LinuxHostInfo::addressesOf(const QString& name) const {
    QStringList out;
    if (name.isEmpty()) {
        return out;
    }
    const QHostInfo info = QHostInfo::fromName(name);
    for (const QHostAddress& a : info.addresses()) {
        appendIPv4(out, a);
    }
    return out;
}

QStringList LinuxHostInfo::interfaceAddresses() const {
    QStringList out;
    for (const QNetworkInterface& nic : QNetworkInterface::allInterfaces()) {
        const auto flags = nic.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            flags.testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        for (const QNetworkAddressEntry& e : nic.addressEntries()) {
            appendIPv4(out, e.ip());
        }
    }
    return out;
}

std::optional<quint64> LinuxHostInfo::residentBytes() const {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    // "size resident shared text lib data dt", in pages.
    const QList<QByteArray> fields = statm.readLine().simplified().split(' ');
    bool ok = false;
    const quint64 pages = fields.size() > 1 ? fields.at(1).toULongLong(&ok) : 0;
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (!ok || pageSize <= 0) {
        return std::nullopt;
    }
    return pages * static_cast<quint64>(pageSize);
}

QString LinuxHostInfo::prettyNameOf(const QByteArray& osRelease) {
    for (const QByteArray& raw : osRelease.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (!line.startsWith("PRETTY_NAME=")) {
            continue;
        }
        QByteArray value = line.mid(12);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.mid(1, value.size() - 2);
        }
        // Shell-style escapes inside double quotes.
        QByteArray out;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value.at(i) == '\\' && i + 1 < value.size()) {
                ++i;
            }
            out += value.at(i);
        }
        return QString::fromUtf8(out).trimmed();
    }
    return QString();
}

QString LinuxHostInfo::osPrettyName() const {
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        QFile f(QString::fromLatin1(path));
        if (f.open(QIODevice::ReadOnly)) {
            const QString name = prettyNameOf(f.readAll());
            if (!name.isEmpty()) {
                return name;
            }
        }
    }
    return QSysInfo::prettyProductName();
}

QString LinuxHostInfo::kernelRelease() const {
    utsname u{};
    if (uname(&u) != 0) {
        return QString();
    }
    return QString::fromLocal8Bit(u.release);
}

QString LinuxHostInfo::cpuArchitecture() const {
    return QSysInfo::currentCpuArchitecture();
}
