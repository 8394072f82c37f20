#include "app/timing_trace.h"

#include <windows.h>

#include <cstdio>

namespace kv::app {

void TraceStep(const char* step) {
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("TAVI_TIMING_TRACE", path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    LARGE_INTEGER ticks, frequency;
    QueryPerformanceCounter(&ticks);
    QueryPerformanceFrequency(&frequency);
    const long long seconds = ticks.QuadPart / frequency.QuadPart;
    const long long micros =
        seconds * 1000000 + (ticks.QuadPart % frequency.QuadPart) * 1000000 / frequency.QuadPart;
    char line[160];
    const int size =
        std::snprintf(line, sizeof line, "%lld %lu %s\n", micros, GetCurrentProcessId(), step);
    if (size <= 0 || size >= int(sizeof line)) return;
    // One writer at a time: Wine's appending writes of two processes can land on the same
    // place.
    HANDLE turn = CreateMutexA(nullptr, FALSE, "TaviTimingTrace");
    if (!turn) return;
    WaitForSingleObject(turn, INFINITE);
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line, DWORD(size), &written, nullptr);
        CloseHandle(file);
    }
    ReleaseMutex(turn);
    CloseHandle(turn);
}

}  // namespace kv::app
