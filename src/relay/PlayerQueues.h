#pragma once

#include "model/Fields.h"
#include "model/FrmSetup.h"

#include <QTimer>

#include <array>

// The player messages waiting for the dispatcher: one first-in first-out queue per
// listener, and the 100 ms timer that drains them, off while they are empty. The
// listeners fill them, the dispatcher empties them.
class PlayerQueues {
public:
    static constexpr int NbListeners = FrmSetup::NbUdp;

    PlayerQueues() { TimerDataArrival.setInterval(100); }

    // Queues a message at the tail of its listener's queue and makes sure the timer
    // runs. An active timer keeps its phase: restarting it on every message would
    // hold the dispatcher off for as long as messages keep coming.
    void append(int listener, const QString& message) {
        ListeDataArrival[size_t(listener)].addItem(message);
        wake();
    }
    void wake() {
        if (!TimerDataArrival.isActive()) {
            TimerDataArrival.start();
        }
    }

    std::array<ListField, NbListeners> ListeDataArrival;
    QTimer TimerDataArrival;
};
