// The end of the program: EndProgram and the end sequence, in their fixed order.
#include <ole2.h>

#include "runtime/forms_link.h"
#include "runtime/memory.h"
#include "runtime/runtime_app.h"
#include "runtime/runtime_error.h"

namespace kv {

void EndSequence(int32_t code) {
    RuntimeApp& app = App();
    // 1.
    ++EventBlockCount();
    // 2. Another thread asks the main thread to end the program.
    if (app.mainThread && GetCurrentThreadId() != app.mainThread) {
        if (app.hiddenOwner && IsWindow(app.hiddenOwner))
            SendMessageA(app.hiddenOwner, kEndRequest, WPARAM(code), 0);
        if (!app.ending) ExitProcess(UINT(code));
        return;
    }
    // 3.
    app.ending = true;
    app.idleRoutines.clear();
    forms::ReleaseTemplates();
    // 4. Taken out of the list first, so that a routine that ends the program again does not
    // run the routines a second time.
    std::vector<ExitRoutine> exitRoutines;
    exitRoutines.swap(app.exitRoutines);
    for (ExitRoutine routine : exitRoutines) routine();
    // 5.
    EndLibraries();
    // 6.
    ReleaseNativeModules();
    // 7. The runtime loads no libraries by name during the run: nothing to free.
    // 8.
    ForgetConstantBlock();
    if (app.largeIcon) DestroyIcon(app.largeIcon);
    if (app.smallIcon) DestroyIcon(app.smallIcon);
    app.largeIcon = app.smallIcon = nullptr;
    // 9.
    if (app.hiddenOwner && IsWindow(app.hiddenOwner)) DestroyWindow(app.hiddenOwner);
    app.hiddenOwner = nullptr;
    // 10.
    forms::DestroyLoadedWindows();
    // 11-13. This runtime keeps no object list, plays no sound, starts no sockets and
    // registers no components, so there is nothing more to release.
    // 14.
    if (app.oleInitialized) {
        OleUninitialize();
        app.oleInitialized = false;
    }
}

void EndProgram(int32_t code) {
    EndSequence(code);
    ExitProcess(UINT(code));
}

}  // namespace kv
