#include "tests/win/viewer/scratch_folder.h"

#include <windows.h>

#include "tests/e2e/driver/files.h"

namespace kv::test {

ScratchFolder::ScratchFolder(const std::string& name) {
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp, length) + name + "." + std::to_string(GetCurrentProcessId()) + "\\";
    e2e::RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    e2e::RemoveTree(path_);
}

std::string BuiltViewerLibrary() {
    return e2e::HostPath(KV_VIEWER_LIBRARY_UNIX_PATH);
}

std::string ViewerTitle(const std::string& fileName) {
    return fileName + " - Windows 照片查看器";
}

}  // namespace kv::test
