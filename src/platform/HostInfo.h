#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// Facts about the machine and the running program, as the system reports them.
// Addresses are dotted IPv4 texts; "" or an empty list when the system has none.
class HostInfo {
public:
    virtual ~HostInfo() = default;

    virtual QString hostName() const = 0;
    // The IPv4 addresses that the name resolves to, in the resolver's order.
    virtual QStringList addressesOf(const QString& name) const = 0;
    // The IPv4 addresses of the network interfaces that are up, loopback excluded.
    virtual QStringList interfaceAddresses() const = 0;
    // Resident memory of this program in bytes; none when it cannot be read.
    virtual std::optional<quint64> residentBytes() const = 0;
    // The distribution's display name ("Debian GNU/Linux 12 (bookworm)").
    virtual QString osPrettyName() const = 0;
    // The kernel release ("6.1.0-18-amd64").
    virtual QString kernelRelease() const = 0;
    // The machine's processor architecture ("x86_64", "i386", "arm64", ...).
    virtual QString cpuArchitecture() const = 0;
};
