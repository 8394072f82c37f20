// The support libraries: registration, end notification and command calls.
#include <cstring>
#include <new>

#include "runtime/memory.h"
#include "runtime/runtime_app.h"

namespace kv {

void RegisterLibraries(const ProgramInfo& info) {
    RuntimeApp& app = App();
    for (uint32_t i = 0; i < info.libraryCount; ++i) {
        const LibraryInfo* library = info.libraries[i];
        if (library && library->notify)
            library->notify(libnotify::kStart, reinterpret_cast<intptr_t>(&SystemNotifyEntry), 0);
    }
    app.libraries.assign(info.libraries, info.libraries + info.libraryCount);
    app.libraryData.assign(info.libraryCount, 0);
}

void EndLibraries() {
    RuntimeApp& app = App();
    for (size_t i = 0; i < app.libraries.size(); ++i) {
        const LibraryInfo* library = app.libraries[i];
        if (library && library->notify) library->notify(libnotify::kEnd, app.libraryData[i], 0);
    }
    app.libraries.clear();
    app.libraryData.clear();
}

const LibraryInfo* const* Libraries(int* count) {
    RuntimeApp& app = App();
    *count = int(app.libraries.size());
    return app.libraries.data();
}

ArgValue CallLibraryCommand(LibraryCommand command, int32_t count, ArgValue* args) {
    ArgValue result;
    std::memset(&result, 0, sizeof result);
    // An exception must not cross the command's C boundary. The library's own allocations
    // fail as the runtime's do; the size they asked for is not known here.
    try {
        command(&result, count, args);
    } catch (const std::bad_alloc&) {
        ReportAllocationFailure(0);
    }
    return result;
}

}  // namespace kv
