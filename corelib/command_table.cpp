// The core library's command array, in the entry order of CoreCommandEntry, and its
// LibraryNotify.
#include "corelib/com/commands.h"
#include "corelib/com/kernel_link.h"
#include "corelib/commands.h"
#include "corelib/system_notify.h"

namespace kv::core {

const LibraryCommand kCoreCommands[kCoreCommandCount] = {
    MakeDir,
    RemoveDirTree,
    CopyFileTo,
    FileExists,
    WriteBytesToFile,
    TextLength,
    LeftText,
    RightText,
    CharFromCode,
    SearchText,
    TrimBlanks,
    SplitText,
    SpaceText,
    RunProgram,
    GetArguments,
    GetRunDirectory,
    GetProgramFileName,
    ShowMessage,
    ProcessEvents,
    GetWindowHandle,
    ActivateWindow,
    com::ComCreate,
    com::ComClear,
    com::ComCallMethod,
    com::ComCallObjectMethod,
};

intptr_t KV_STDCALL CoreLibraryNotify(int32_t code, intptr_t p1, intptr_t /*p2*/) {
    if (code == libnotify::kStart) {
        KeepSystemNotify(reinterpret_cast<NotifyFunction>(p1));
        com::SetSystemNotify(reinterpret_cast<NotifyFunction>(p1));
        return 0;
    }
    // The unit-class codes (2, 10-13) need nothing from this library; the forms layer
    // serves its unit types itself.
    return libnotify::kNotHandled;
}

}  // namespace kv::core
