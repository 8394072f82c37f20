#include "app/wait_with_events.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/native_declarations.h"
#include "app/runtime_calls.h"
#include "corelib/commands.h"

namespace kv::app {
namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kWakeOnAnyInput = 0xFF;  // keys, mouse, posted, timer, paint, sent, hot keys
constexpr uint32_t kInfinite = 0xFFFFFFFFu;
constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;
constexpr uint32_t kTimerSignalled = 0;

// Milliseconds per unit; an unknown unit counts as milliseconds.
double UnitFactor(int32_t unit) {
    switch (unit) {
        case kSeconds:
            return 1000.0;
        case kMinutes:
            return 60000.0;
        case kHours:
            return 3600000.0;
        default:
            return 1.0;
    }
}

void ProcessEvents() {
    CoreCommand(core::kProcessEvents, {});
}

// The wait when the waitable timer cannot be used: the deadline comes from the steady
// clock, and the thread sleeps in message-aware waits of the remaining time.
void WaitUntil(Clock::time_point deadline) {
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline) return;
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        const uint32_t slice = uint32_t(std::min<long long>(remaining, 0x7FFFFFFF));
        const uint32_t woke = CallNative<uint32_t>(kMsgWaitForMultipleObjects, uint32_t(0),
                                                   static_cast<const intptr_t*>(nullptr),
                                                   int32_t(0), slice, kWakeOnAnyInput);
        // A failing wait returns at once: sleep a little so that this never spins.
        if (woke == kWaitFailed)
            std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(
                std::chrono::milliseconds(remaining), std::chrono::milliseconds(10)));
        ProcessEvents();
    }
}

}  // namespace

bool WaitWithEvents(double amount, int32_t unit) {
    const double milliseconds = amount * UnitFactor(unit);
    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double, std::milli>(std::max(milliseconds, 0.0)));
    // Relative due time in 100-nanosecond units.
    const int64_t dueTime = int64_t(milliseconds * -10000.0);

    const intptr_t timer =
        CallNative<intptr_t>(kCreateWaitableTimer, static_cast<const void*>(nullptr), int32_t(0),
                             static_cast<const char*>(nullptr));
    if (!timer) {
        WaitUntil(deadline);
        return true;
    }
    const bool armed = CallNative<int32_t>(kSetWaitableTimer, timer, &dueTime, int32_t(0),
                                           static_cast<const void*>(nullptr),
                                           static_cast<const void*>(nullptr), int32_t(0)) != 0;
    bool waited = false;
    while (armed) {
        const uint32_t woke = CallNative<uint32_t>(kMsgWaitForMultipleObjects, uint32_t(1), &timer,
                                                   int32_t(0), kInfinite, kWakeOnAnyInput);
        if (woke == kTimerSignalled) {
            waited = true;
            break;
        }
        if (woke == kWaitFailed) break;
        ProcessEvents();
    }
    CallNative<int32_t>(kCloseHandle, timer);
    if (!waited) WaitUntil(deadline);
    return true;
}

}  // namespace kv::app
