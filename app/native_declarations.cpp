#include "app/native_declarations.h"

namespace kv::app {

// FindWindowExA is declared twice (12 and 18); both behave the same.
const char* const kNativeDllNames[kNativeDeclarationCount] = {
    "shlwapi.dll",
    "shlwapi.dll",
    "shlwapi.dll",
    "",
    "user32",
    "user32",
    "",
    "user32.dll",
    "",
    "kernel32.dll",
    "kernel32",
    "kernel32.dll",
    "user32",
    "",
    "",
    "",
    "kernel32",
    "",
    "user32",
    "kernel32.dll",
    "kernel32.dll",
    "kernel32.dll",
    "kernel32.dll",
    "kernel32.dll",
    "kernel32.dll",
    "kernel32.dll",
};

const char* const kNativeFunctionNames[kNativeDeclarationCount] = {
    "PathIsDirectoryA",
    "PathFindFileNameA",
    "PathFindExtensionA",
    "PostMessageA",
    "GetClientRect",
    "SetParent",
    "GetWindowRect",
    "MoveWindow",
    "SHGetSpecialFolderPathA",
    "GetWindowsDirectoryA",
    "GetSystemDirectoryA",
    "GetTempPathA",
    "FindWindowExA",
    "CreateWaitableTimerA",
    "SetWaitableTimer",
    "MsgWaitForMultipleObjects",
    "CloseHandle",
    "GetParent",
    "FindWindowExA",
    "DeleteFileA",
    "GetCommandLineW",
    "WideCharToMultiByte",
    "MultiByteToWideChar",
    "GetShortPathNameW",
    "CreateHardLinkW",
    "CopyFileW",
};

}  // namespace kv::app
