#include "platform/QtEventPump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>

#include <limits>

void QtEventPump::processPendingEvents() {
    if (m_sinceRun.isValid() && m_sinceRun.nsecsElapsed() < MinIntervalUs * 1000) {
        return;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_sinceRun.start();
}

void QtEventPump::waitForEvents(qint64 maxWaitMs) {
    if (maxWaitMs <= 0) {
        processPendingEvents();
        return;
    }
    // A single-shot timer bounds the blocking wait: its event wakes the dispatcher
    // even when nothing else happens.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.start(static_cast<int>(qMin<qint64>(maxWaitMs, std::numeric_limits<int>::max())));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
