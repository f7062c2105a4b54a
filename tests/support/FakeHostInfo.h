#pragma once

#include "platform/HostInfo.h"

#include <QHash>

// Host facts set by the test.
class FakeHostInfo final : public HostInfo {
public:
    QString name;
    QHash<QString, QStringList> lookups; // host name -> addresses
    QStringList interfaces;
    std::optional<quint64> resident;
    QString prettyName = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
    QString kernel = QStringLiteral("6.1.0-18-amd64");
    QString architecture = QStringLiteral("x86_64");

    QString hostName() const override { return name; }
    QStringList addressesOf(const QString& host) const override { return lookups.value(host); }
    QStringList interfaceAddresses() const override { return interfaces; }
    std::optional<quint64> residentBytes() const override { return resident; }
    QString osPrettyName() const override { return prettyName; }
    QString kernelRelease() const override { return kernel; }
    QString cpuArchitecture() const override { return architecture; }
};
