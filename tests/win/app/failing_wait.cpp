// A test stand-in for system functions the program declares: by mode, the timer cannot be
// created, every wait fails at once, or the temporary folder is too long for any buffer;
// otherwise they do what the system does.
#include <windows.h>

namespace {
enum Mode : LONG { kWorking = 0, kNoTimer = 1, kWaitFails = 2, kLongTempFolder = 3 };
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

// As the system answers for a folder longer than the buffer: the size needed, nothing written.
extern "C" __declspec(dllexport) DWORD WINAPI TestGetTempPath(DWORD size, LPSTR buffer) {
    if (mode == kLongTempFolder) return MAX_PATH + 40;
    return GetTempPathA(size, buffer);
}
