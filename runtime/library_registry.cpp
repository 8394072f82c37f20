// The support libraries: registration, end notification and command calls.
#include <cstring>

#include "runtime/runtime_app.h"

namespace kv {

void RegisterLibraries(const ProgramInfo& info) {
    RuntimeApp& app = App();
    for (uint32_t i = 0; i < info.libraryCount; ++i) {
        const LibraryInfo* library = info.libraries[i];
        if (library && library->notify)
            library->notify(libnotify::kStart, reinterpret_cast<intptr_t>(&SystemNotify), 0);
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
    command(&result, count, args);
    return result;
}

}  // namespace kv
