// Win32 side of the platform seam: hidden backing files in the temporary directory, mapped
// with CreateFileMappingA / MapViewOfFile. Paths are ANSI (GBK) texts.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

#include "imageconv/memory/mapped_buffer.h"
#include "imageconv/memory/platform.h"

namespace kv::imageconv {
namespace {
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

FILE* CreateFreshFile(const char* path) {
    // A name that cannot be deleted (a folder, a file held by another program) makes the
    // exclusive creation fail.
    DeleteFileA(path);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (fd == -1) {
        CloseHandle(file);
        return nullptr;
    }
    FILE* stream = _fdopen(fd, "wb");
    if (!stream) _close(fd);
    return stream;
}

namespace {
// `wide` in the code page; false when a character has no equivalent there.
bool InCodePage(const std::wstring& wide, std::string* text) {
    BOOL lost = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                         int(wide.size()), nullptr, 0, nullptr, &lost);
    if (size <= 0 || lost) return false;
    text->assign(size_t(size), '\0');
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()),
                               text->data(), size, nullptr, &lost) == size &&
           !lost;
}

// What a wide path function answers: the length is asked first, then a buffer of that
// length is filled; empty on failure.
template <typename Call>
std::wstring WidePath(Call call) {
    const DWORD length = call(nullptr, 0);
    if (length == 0) return std::wstring();
    std::wstring path(length, L'\0');
    const DWORD written = call(path.data(), length);
    if (written == 0 || written >= length) return std::wstring();
    path.resize(written);
    return path;
}
}  // namespace

// The folder is found through the wide API: under a user name the code page lacks, its
// name in the code page is its short name.
bool TempDirectory(std::string* directory) {
    const std::wstring wide =
        WidePath([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); });
    if (wide.empty()) return false;
    if (!InCodePage(wide, directory)) {
        const std::wstring shortName = WidePath([&](wchar_t* buffer, DWORD size) {
            return GetShortPathNameW(wide.c_str(), buffer, size);
        });
        if (shortName.empty() || !InCodePage(shortName, directory)) return false;
    }
    DWORD attributes = GetFileAttributesA(directory->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return false;
    }
    if (directory->back() != '\\') *directory += '\\';
    return true;
}

bool SeekFile(FILE* file, uint64_t offset) {
    if (offset > uint64_t(INT64_MAX)) return false;
    return _fseeki64(file, int64_t(offset), SEEK_SET) == 0;
}

bool FileLength(FILE* file, uint64_t* length) {
    LARGE_INTEGER size;
    HANDLE handle = AsHandle(_get_osfhandle(_fileno(file)));
    if (handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(handle, &size) || size.QuadPart < 0) {
        return false;
    }
    *length = uint64_t(size.QuadPart);
    return true;
}

bool WriteAt(FILE* file, uint64_t offset, const uint8_t* data, size_t size) {
    HANDLE handle = AsHandle(_get_osfhandle(_fileno(file)));
    if (handle == INVALID_HANDLE_VALUE) return false;
    while (size > 0) {
        OVERLAPPED at = {};
        at.Offset = DWORD(offset & 0xFFFFFFFFu);
        at.OffsetHigh = DWORD(offset >> 32);
        const DWORD part = DWORD(std::min<size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle, data, part, &written, &at) || written == 0) return false;
        data += written;
        offset += written;
        size -= written;
    }
    return true;
}

namespace {
constexpr DWORD kBackingFlags = FILE_ATTRIBUTE_HIDDEN;

// A new file under a searched name, deleted by the system when its last handle closes; a name
// another conversion takes between the search and the creation (or one still being deleted)
// moves the search on to the next number.
HANDLE CreateNumberedFile(const char* prefix, std::string* path) {
    long number = 0;
    for (int collisions = 0; collisions <= kMaxNameCollisions; ++collisions, ++number) {
        if (!TempFileName(prefix, path, number, &number)) break;
        HANDLE file = CreateFileA(path->c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  CREATE_NEW, kBackingFlags | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        const DWORD error = GetLastError();
        if (file != INVALID_HANDLE_VALUE ||
            (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS &&
             error != ERROR_ACCESS_DENIED)) {
            return file;
        }
    }
    return INVALID_HANDLE_VALUE;
}

// A writable view of the whole file, starting on a 2 MB boundary when one is free. Where the
// system caches files in large pages (Linux does, under Wine), the first write there maps a
// whole large page at once rather than one 4 KB page: a 72 MB block's first writes cost about
// 21 ms instead of 35 to 40 (and 30 when the file is also opened for sequential use, a hint
// the backing files therefore do without). Another thread may take the address between the
// search and the mapping; the system then places the view.
void* MapWholeFile(HANDLE mapping, size_t size) {
    constexpr size_t kAlignment = size_t(2) << 20;
    if (size <= SIZE_MAX - kAlignment) {
        void* area = VirtualAlloc(nullptr, size + kAlignment, MEM_RESERVE, PAGE_NOACCESS);
        if (area) {
            const uintptr_t start =
                (reinterpret_cast<uintptr_t>(area) + kAlignment - 1) & ~uintptr_t(kAlignment - 1);
            VirtualFree(area, 0, MEM_RELEASE);
            void* view = MapViewOfFileEx(mapping, FILE_MAP_WRITE, 0, 0, size,
                                         reinterpret_cast<void*>(start));
            if (view) return view;
        }
    }
    return MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, size);
}
}  // namespace

bool MappedBuffer::Allocate(size_t size, const char* prefix, const char* path) {
    Release(true);
    if (size == 0 || !share_.Take(size)) return false;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (path) {
        path_ = path;
        DeleteFileA(path);
        file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, CREATE_ALWAYS, kBackingFlags, nullptr);
    } else {
        file = CreateNumberedFile(prefix, &path_);
        deletedOnClose_ = true;
    }
    if (file == INVALID_HANDLE_VALUE) {
        Release(true);
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
    void* view = MapWholeFile(mapping, size);
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
    if (deleteFile && !deletedOnClose_ && !path_.empty()) DeleteFileA(path_.c_str());
    share_.GiveBack();
    deletedOnClose_ = false;
    file_ = -1;
    mapping_ = 0;
    view_ = nullptr;
    size_ = 0;
    path_.clear();
}

struct BackgroundTask::Thread {
    HANDLE handle = nullptr;
    void (*task)(void*) = nullptr;
    void* argument = nullptr;

    static DWORD WINAPI Run(void* self) {
        auto* thread = static_cast<Thread*>(self);
        thread->task(thread->argument);
        return 0;
    }
};

BackgroundTask::BackgroundTask() = default;
BackgroundTask::~BackgroundTask() {
    Wait();
}

bool BackgroundTask::Start(void (*task)(void*), void* argument) {
    Wait();
    if (!thread_) thread_.reset(new (std::nothrow) Thread);
    if (!thread_) return false;
    thread_->task = task;
    thread_->argument = argument;
    thread_->handle = CreateThread(nullptr, 0, Thread::Run, thread_.get(), 0, nullptr);
    return thread_->handle != nullptr;
}

void BackgroundTask::Wait() {
    if (!thread_ || !thread_->handle) return;
    WaitForSingleObject(thread_->handle, INFINITE);
    CloseHandle(thread_->handle);
    thread_->handle = nullptr;
}

}  // namespace kv::imageconv
