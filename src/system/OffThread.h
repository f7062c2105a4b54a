#pragma once

#include <functional>

class EventPump;

// Runs a blocking call on a helper thread and returns once it has ended. Meanwhile
// the calling thread keeps handling its events through the pump, asleep in the
// event loop until an event arrives or the call ends (the helper posts one event
// to wake it): timers, sockets and windows keep running and the wait costs no
// processor time. The call must not touch what those event handlers use.
void runOffThread(EventPump& events, const std::function<void()>& call);
