// A test stand-in for the two waiting functions the program declares: by mode, the timer
// cannot be created, or every wait fails at once; otherwise they do what the system does.
#include <windows.h>

namespace {
enum Mode : LONG { kWorking = 0, kNoTimer = 1, kWaitFails = 2 };
LONG mode = kWorking;
}  // namespace

extern "C" __declspec(dllexport) void WINAPI SetWaitFailureMode(LONG newMode) {
    mode = newMode;
}

extern "C" __declspec(dllexport) HANDLE WINAPI
    TestCreateWaitableTimer(SECURITY_ATTRIBUTES* security, BOOL manualReset, LPCSTR name) {
    if (mode == kNoTimer) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return CreateWaitableTimerA(security, manualReset, name);
}

extern "C" __declspec(dllexport) DWORD WINAPI
    TestMsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms,
                                  DWORD wakeMask) {
    if (mode == kWaitFails) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return MsgWaitForMultipleObjects(count, handles, waitAll, ms, wakeMask);
}
