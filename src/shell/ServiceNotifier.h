#pragma once

#include <QObject>
#include <QTimer>

class ServiceManager;

// What the service manager hears from the program: "READY=1" once the start-up is
// over (listeners open, saved units logged in), "WATCHDOG=1" from the event loop
// at half the watchdog period, so that a wedged loop misses its beats and gets the
// program restarted, and "STOPPING=1" when a stop begins. Silent when no service
// manager listens.
class ServiceNotifier final : public QObject {
    Q_OBJECT

public:
    explicit ServiceNotifier(ServiceManager& manager);

    void ready();
    void stopping();

    // The interval of the watchdog beats, 0 when there is no watchdog.
    int beatIntervalMs() const { return m_beats.isActive() ? m_beats.interval() : 0; }

private:
    ServiceManager& m_manager;
    QTimer m_beats;
    bool m_ready = false;
    bool m_stopping = false;
};
