// Polling with a deadline: windows of another process appear and vanish on their own
// schedule, so the driver checks repeatedly instead of waiting for a notification.
#pragma once

#include <windows.h>

namespace kv::e2e {

// How often the waits look again.
constexpr DWORD kPollIntervalMs = 25;

// Calls condition until it answers true or timeoutMs has passed; answers the last result.
template <typename Condition>
bool WaitUntil(DWORD timeoutMs, Condition condition) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(kPollIntervalMs);
    }
}

}  // namespace kv::e2e
