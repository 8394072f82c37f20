// A wait that keeps the user interface responsive: window messages of this thread are
// dispatched (and event handlers may run) while it waits.
#pragma once

#include <cstdint>

namespace kv::app {

enum WaitUnit : int32_t { kMilliseconds = 0, kSeconds = 1, kMinutes = 2, kHours = 3 };

// Waits `amount` units and returns true. Without a usable waitable timer it still returns
// after about that time, dispatching messages all along.
bool WaitWithEvents(double amount, int32_t unit = kMilliseconds);

}  // namespace kv::app
