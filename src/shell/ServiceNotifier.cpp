#include "shell/ServiceNotifier.h"

#include "platform/ServiceManager.h"

#include <algorithm>
#include <limits>

ServiceNotifier::ServiceNotifier(ServiceManager& manager) : m_manager(manager) {
    m_beats.setTimerType(Qt::CoarseTimer);
    connect(&m_beats, &QTimer::timeout, this,
            [this] { m_manager.notify(QByteArrayLiteral("WATCHDOG=1")); });
}

void ServiceNotifier::ready() {
    if (m_ready || !m_manager.listening()) {
        return;
    }
    m_ready = true;
    m_manager.notify(QByteArrayLiteral("READY=1"));
    const qint64 period = m_manager.watchdogPeriodMs();
    if (period > 0) {
        // Half the period, as systemd advises; beats also go on during the stop,
        // which lets events run while it saves the settings.
        const qint64 half = std::clamp<qint64>(period / 2, 1, std::numeric_limits<int>::max());
        m_beats.start(int(half));
        m_manager.notify(QByteArrayLiteral("WATCHDOG=1"));
    }
}

void ServiceNotifier::stopping() {
    if (m_stopping || !m_manager.listening()) {
        return;
    }
    m_stopping = true;
    m_manager.notify(QByteArrayLiteral("STOPPING=1"));
}
