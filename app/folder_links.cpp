#include "app/folder_links.h"

#include <cstring>

#include "app/native_declarations.h"
#include "app/runtime_calls.h"

namespace kv::app {
namespace {

constexpr uint32_t kNoAttributes = 0xFFFFFFFF;
constexpr uint32_t kDirectoryAttribute = 0x10;
constexpr uint32_t kReparsePointAttribute = 0x400;

uint32_t Attributes(const char* path) {
    return CallNative<uint32_t>(kGetFileAttributes, path);
}

bool IsDotEntry(const char* name) {
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

}  // namespace

bool IsLink(const char* path) {
    const uint32_t attributes = Attributes(path);
    return attributes != kNoAttributes && (attributes & kReparsePointAttribute);
}

bool RemoveLink(const char* path) {
    // Removing a folder link removes the link and leaves its target alone.
    if (Attributes(path) & kDirectoryAttribute)
        CallNative<int32_t>(kRemoveDirectory, path);
    else
        CallNative<int32_t>(kDeleteFile, path);
    return Attributes(path) == kNoAttributes;
}

bool RemoveLinksInside(const char* folder) {
    // Only folders are looked into: a file link is removed as a link by any delete.
    const Text pattern = Text::Join({folder, "*"});
    intptr_t search = 0;
    const char* next = pattern.c_str();
    bool removedAll = true;
    for (;;) {
        const Text name = Text::Adopt(reinterpret_cast<char*>(
            intptr_t(RuntimeService(kFindNextFile, next, kDirectoryAttribute, 0, &search))));
        if (name.Empty()) break;
        next = "";
        if (IsDotEntry(name.c_str())) continue;
        const Text path = Text::Join({folder, name.c_str()});
        const bool removed = IsLink(path.c_str())
                                 ? RemoveLink(path.c_str())
                                 : RemoveLinksInside(Text::Join({path.c_str(), "\\"}).c_str());
        removedAll = removed && removedAll;
    }
    RuntimeService(kCloseFind, search);
    return removedAll;
}

}  // namespace kv::app
