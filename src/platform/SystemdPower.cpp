#include "platform/SystemdPower.h"

#include <QProcess>

namespace {

void systemctl(const QString& verb) {
    QProcess::startDetached(QStringLiteral("systemctl"), {verb, QStringLiteral("-i")});
}

} // namespace

void SystemdPower::reboot() {
    systemctl(QStringLiteral("reboot"));
}

void SystemdPower::powerOff() {
    systemctl(QStringLiteral("poweroff"));
}
