#pragma once

#include "platform/HostInfo.h"

// Host facts on Linux: the resolver and interfaces of QtNetwork, /proc/self/statm,
// /etc/os-release and uname(2).
class LinuxHostInfo final : public HostInfo {
public:
    QString hostName() const override;
    QStringList addressesOf(const QString& name) const override;
    QStringList interfaceAddresses() const override;
    std::optional<quint64> residentBytes() const override;
    QString osPrettyName() const override;
    QString kernelRelease() const override;
    QString cpuArchitecture() const override;

    // PRETTY_NAME of an os-release text, unquoted; "" when absent.
    static QString prettyNameOf(const QByteArray& osRelease);
};
