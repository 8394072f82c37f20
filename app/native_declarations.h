// The program's NativeDeclarationTable: the Win32 functions it calls, bound by name by the
// runtime on first use. The program reaches them only through CallNative with these indexes.
#pragma once

#include <cstdint>

namespace kv::app {

enum NativeIndex : int32_t {
    kPathIsDirectory = 0,
    kPathFindFileName = 1,
    kPathFindExtension = 2,
    kPostMessage = 3,
    kGetClientRect = 4,
    kSetParent = 5,
    kGetWindowRect = 6,
    kMoveWindow = 7,
    kShGetSpecialFolderPath = 8,
    kGetWindowsDirectory = 9,
    kGetSystemDirectory = 10,
    kGetTempPath = 11,
    kFindWindowExForCanvas = 12,
    kCreateWaitableTimer = 13,
    kSetWaitableTimer = 14,
    kMsgWaitForMultipleObjects = 15,
    kCloseHandle = 16,
    kGetParent = 17,
    kFindWindowExForPane = 18,
    kDeleteFile = 19,
    kGetCommandLineW = 20,
    kWideCharToMultiByte = 21,
    kMultiByteToWideChar = 22,
    kGetShortPathNameW = 23,
    kCreateHardLinkW = 24,
    kCopyFileW = 25,
    kGetFileAttributes = 26,
    kGetFileInformationByHandle = 27,
    kCreateFileW = 28,
    kSetFileAttributesW = 29,
    kCreateFile = 30,
    kGetWindowThreadProcessId = 31,
    kOpenProcess = 32,
    kWaitForSingleObject = 33,
    kRemoveDirectory = 34,
    kNativeDeclarationCount = 35,
};

// DLL name (empty: the runtime searches its system DLL list) and function name of each.
extern const char* const kNativeDllNames[kNativeDeclarationCount];
extern const char* const kNativeFunctionNames[kNativeDeclarationCount];

}  // namespace kv::app
