// The core library's commands. Each is a LibraryCommand; the library's command array (see
// CoreCommandEntry) lists them in a fixed order so that program code calls a command by its
// entry number.
#pragma once

#include <cstdint>

#include "runtime/library.h"

namespace kv::core {

// Entry numbers in the core library's command array.
enum CoreCommandEntry : int32_t {
    kMakeDir = 0,
    kRemoveDirTree,
    kCopyFileTo,
    kFileExists,
    kWriteBytesToFile,
    kTextLength,
    kLeftText,
    kRightText,
    kCharFromCode,
    kSearchText,
    kTrimBlanks,
    kSplitText,
    kSpaceText,
    kRunProgram,
    kGetArguments,
    kGetRunDirectory,
    kGetProgramFileName,
    kShowMessage,
    kProcessEvents,
    kGetWindowHandle,
    kActivateWindow,
    kComCreate,
    kComClear,
    kComCallMethod,
    kComCallObjectMethod,
    kCoreCommandCount
};

// Text commands (portable).
void KV_CDECL TextLength(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL LeftText(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL RightText(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL CharFromCode(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL SearchText(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL TrimBlanks(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL SplitText(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL SpaceText(ArgValue* result, int32_t count, ArgValue* args);

#ifdef _WIN32
// File-system commands.
void KV_CDECL MakeDir(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL RemoveDirTree(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL CopyFileTo(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL FileExists(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL WriteBytesToFile(ArgValue* result, int32_t count, ArgValue* args);

// Process and environment commands.
void KV_CDECL RunProgram(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL GetArguments(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL GetRunDirectory(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL GetProgramFileName(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL ShowMessage(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL ProcessEvents(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL GetWindowHandle(ArgValue* result, int32_t count, ArgValue* args);
void KV_CDECL ActivateWindow(ArgValue* result, int32_t count, ArgValue* args);

// The command array in entry order, and the library's LibraryNotify.
extern const LibraryCommand kCoreCommands[kCoreCommandCount];
intptr_t KV_STDCALL CoreLibraryNotify(int32_t code, intptr_t p1, intptr_t p2);
#endif

}  // namespace kv::core
