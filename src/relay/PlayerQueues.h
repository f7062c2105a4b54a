#pragma once

#include "model/Fields.h"
#include "model/FrmSetup.h"

#include <QTimer>

#include <array>
#include <functional>
#include <utility>

// The player messages waiting for the dispatcher: one first-in first-out queue per
// listener, and the 100 ms timer that drains them, off while they are empty. The
// listeners fill them, the dispatcher empties them.
class PlayerQueues {
public:
    static constexpr int NbListeners = FrmSetup::NbUdp;

    static constexpr int TickMs = 100;

    PlayerQueues() { TimerDataArrival.setInterval(TickMs); }

    // Queues a message at the tail of its listener's queue and makes sure the timer
    // runs. After a quiet moment the first pass is asked for at once (a cue reaches
    // the air at once, not a tick later); the passes that follow keep the 100 ms
    // tick. An active timer keeps its phase: restarting it on every message would
    // hold the dispatcher off for as long as messages keep coming.
    void append(int listener, const QString& message) {
        ListeDataArrival[size_t(listener)].addItem(message);
        wake();
    }
    // The same for a message read from a listener: the first pass runs at the end
    // of the listener's delivery (deliveryEnded), once the socket has handed out
    // what it had and watches again, and takes every message of it. Run there and
    // not posted, it costs no extra turn of the event loop per cue; a pass that
    // lasts (a burst) still lets the sockets' events run as it goes. The tick runs
    // it should that end not come.
    void appendRead(int listener, const QString& message) {
        ListeDataArrival[size_t(listener)].addItem(message);
        if (!TimerDataArrival.isActive()) {
            TimerDataArrival.start();
            m_firstPassWanted = true;
        }
    }
    void deliveryEnded() {
        if (std::exchange(m_firstPassWanted, false) && TimerDataArrival.isActive() && firstPass &&
            !m_firstPassAsked) {
            firstPass();
        }
    }
    void wake() {
        if (TimerDataArrival.isActive()) {
            return;
        }
        TimerDataArrival.start();
        askFirstPass();
    }

    // The dispatcher's pass, run for the first message after a quiet moment.
    std::function<void()> firstPass;
    std::array<ListField, NbListeners> ListeDataArrival;
    QTimer TimerDataArrival;

private:
    void askFirstPass() {
        if (firstPass && !m_firstPassAsked) {
            // A posted call, not a zero-delay timer: it takes its turn among the
            // datagrams being read, where such a timer waits for an idle loop, which
            // a burst does not leave.
            m_firstPassAsked = true;
            QMetaObject::invokeMethod(
                &TimerDataArrival,
                [this] {
                    m_firstPassAsked = false;
                    if (firstPass) {
                        firstPass();
                    }
                },
                Qt::QueuedConnection);
        }
    }

    bool m_firstPassAsked = false;
    bool m_firstPassWanted = false;
};
