#include "app/folder_links.h"

#include <cstring>

#include "app/native_declarations.h"
#include "app/runtime_calls.h"

namespace kv::app {
namespace {

constexpr uint32_t kNoAttributes = 0xFFFFFFFF;
constexpr uint32_t kDirectoryAttribute = 0x10;
constexpr uint32_t kReparsePointAttribute = 0x400;

bool IsDotEntry(const char* name) {
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

}  // namespace

bool RemoveAsLink(const char* path) {
    const uint32_t attributes = CallNative<uint32_t>(kGetFileAttributes, path);
    if (attributes == kNoAttributes || !(attributes & kReparsePointAttribute)) return false;
    // Removing a folder link removes the link and leaves its target alone.
    if (attributes & kDirectoryAttribute)
        CallNative<int32_t>(kRemoveDirectory, path);
    else
        CallNative<int32_t>(kDeleteFile, path);
    return true;
}

void RemoveLinksInside(const char* folder) {
    // Only folders are looked into: a file link is removed as a link by any delete.
    const Text pattern = Text::Join({folder, "*"});
    intptr_t search = 0;
    const char* next = pattern.c_str();
    for (;;) {
        const Text name = Text::Adopt(reinterpret_cast<char*>(
            intptr_t(RuntimeService(kFindNextFile, next, kDirectoryAttribute, 0, &search))));
        if (name.Empty()) break;
        next = "";
        if (IsDotEntry(name.c_str())) continue;
        const Text path = Text::Join({folder, name.c_str()});
        if (!RemoveAsLink(path.c_str()))
            RemoveLinksInside(Text::Join({path.c_str(), "\\"}).c_str());
    }
    RuntimeService(kCloseFind, search);
}

}  // namespace kv::app
