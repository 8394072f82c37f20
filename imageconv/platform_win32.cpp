// Win32 side of the platform seam: hidden backing files in GetTempPathA's directory, mapped
// with CreateFileMappingA / MapViewOfFile. Paths are ANSI (GBK) texts.
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <vector>

#include "imageconv/mapped_buffer.h"
#include "imageconv/platform.h"

namespace kv::imageconv {
namespace {
// Highest number the name search tries.
constexpr long kLastTempNumber = 2047483647L;

HANDLE AsHandle(intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}
}  // namespace

bool PathExists(const char* path) {
    if (!path || !*path) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

bool TempFileName(const char* prefix, std::string* name) {
    DWORD length = GetTempPathA(0, nullptr);
    if (length == 0) return false;
    std::vector<char> buffer(length + 1, '\0');
    DWORD written = GetTempPathA(length + 1, buffer.data());
    if (written == 0 || written > length) return false;
    std::string directory(buffer.data(), written);
    DWORD attributes = GetFileAttributesA(directory.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return false;
    }
    if (directory.back() != '\\') directory += '\\';
    for (long n = 0; n <= kLastTempNumber; ++n) {
        char number[16];
        snprintf(number, sizeof number, "%ld", n);
        std::string candidate = directory + prefix + number + ".tmp";
        if (!PathExists(candidate.c_str())) {
            *name = std::move(candidate);
            return true;
        }
    }
    return false;
}

bool SeekFile(FILE* file, uint64_t offset) {
    if (offset > uint64_t(INT64_MAX)) return false;
    return _fseeki64(file, int64_t(offset), SEEK_SET) == 0;
}

bool FileLength(FILE* file, uint64_t* length) {
    LARGE_INTEGER size;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(handle, &size) || size.QuadPart < 0) {
        return false;
    }
    *length = uint64_t(size.QuadPart);
    return true;
}

bool MappedBuffer::Allocate(size_t size, const char* prefix, const char* path) {
    Release(true);
    if (size == 0) return false;
    if (path) {
        path_ = path;
    } else if (!TempFileName(prefix, &path_)) {
        return false;
    }
    DeleteFileA(path_.c_str());
    HANDLE file =
        CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileA(path_.c_str());
        path_.clear();
        return false;
    }
    file_ = reinterpret_cast<intptr_t>(file);
    uint64_t wide = size;
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, DWORD(wide >> 32),
                                        DWORD(wide & 0xFFFFFFFFu), nullptr);
    if (!mapping) {
        Release(true);
        return false;
    }
    mapping_ = reinterpret_cast<intptr_t>(mapping);
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, size);
    if (!view) {
        Release(true);
        return false;
    }
    view_ = static_cast<uint8_t*>(view);
    size_ = size;
    return true;
}

void MappedBuffer::Flush() {
    if (view_) FlushViewOfFile(view_, 0);
}

void MappedBuffer::Release(bool deleteFile) {
    if (view_) UnmapViewOfFile(view_);
    if (mapping_) CloseHandle(AsHandle(mapping_));
    if (file_ != -1) CloseHandle(AsHandle(file_));
    if (deleteFile && !path_.empty()) DeleteFileA(path_.c_str());
    file_ = -1;
    mapping_ = 0;
    view_ = nullptr;
    size_ = 0;
    path_.clear();
}

}  // namespace kv::imageconv
