// POSIX side of the platform seam: mmap-backed buffers in $TMPDIR (or /tmp).
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <new>
#include <thread>

#include "imageconv/memory/mapped_buffer.h"
#include "imageconv/memory/platform.h"

namespace kv::imageconv {

bool PathExists(const char* path) {
    struct stat info;
    return path && *path && stat(path, &info) == 0;
}

FILE* CreateFreshFile(const char* path) {
    struct stat info;
    // Only a file or a link is deleted: a folder or a device under the name stays, and the
    // exclusive creation then fails.
    if (lstat(path, &info) == 0 && (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode))) unlink(path);
    const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, "wb");
    if (!file) close(fd);
    return file;
}

bool TempDirectory(std::string* directory) {
    const char* env = getenv("TMPDIR");
    *directory = (env && *env) ? env : "/tmp";
    struct stat info;
    if (stat(directory->c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    if (directory->back() != '/') *directory += '/';
    return true;
}

bool SeekFile(FILE* file, uint64_t offset) {
    if (offset > uint64_t(INT64_MAX)) return false;
    return fseeko(file, off_t(offset), SEEK_SET) == 0;
}

bool FileLength(FILE* file, uint64_t* length) {
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || info.st_size < 0) return false;
    *length = uint64_t(info.st_size);
    return true;
}

bool WriteAt(FILE* file, uint64_t offset, const uint8_t* data, size_t size) {
    const int fd = fileno(file);
    while (size > 0) {
        if (offset > uint64_t(INT64_MAX)) return false;
        const ssize_t written = pwrite(fd, data, size, off_t(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        offset += uint64_t(written);
        size -= size_t(written);
    }
    return true;
}

namespace {
// A new file under a searched name; a name another conversion takes between the search and
// the creation moves the search on to the next number.
int CreateNumberedFile(const char* prefix, std::string* path) {
    long number = 0;
    for (int collisions = 0; collisions <= kMaxNameCollisions; ++collisions, ++number) {
        if (!TempFileName(prefix, path, number, &number)) break;
        const int fd = open(path->c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}
}  // namespace

bool MappedBuffer::Allocate(size_t size, const char* prefix, const char* path) {
    Release(true);
    if (size == 0 || !share_.Take(size)) return false;
    int fd = -1;
    if (path) {
        path_ = path;
        unlink(path);
        fd = open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    } else {
        fd = CreateNumberedFile(prefix, &path_);
        // The open descriptor keeps the blocks: without a name nothing is left behind,
        // however the process ends.
        if (fd >= 0) unlink(path_.c_str());
        deletedOnClose_ = true;
    }
    if (fd < 0) {
        Release(true);
        return false;
    }
    file_ = fd;
    // Reserving the blocks up front turns a full disk into a failed allocation instead of
    // a fault on first touch of the mapping.
    if (off_t(size) < 0 || posix_fallocate(fd, 0, off_t(size)) != 0) {
        Release(true);
        return false;
    }
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        Release(true);
        return false;
    }
    view_ = static_cast<uint8_t*>(view);
    size_ = size;
    return true;
}

void MappedBuffer::Flush() {
    if (view_) msync(view_, size_, MS_ASYNC);
}

void MappedBuffer::Release(bool deleteFile) {
    if (view_) munmap(view_, size_);
    if (file_ >= 0) close(int(file_));
    if (deleteFile && !deletedOnClose_ && !path_.empty()) unlink(path_.c_str());
    share_.GiveBack();
    deletedOnClose_ = false;
    file_ = -1;
    mapping_ = 0;
    view_ = nullptr;
    size_ = 0;
    path_.clear();
}

struct BackgroundTask::Thread {
    std::thread thread;
};

BackgroundTask::BackgroundTask() = default;
BackgroundTask::~BackgroundTask() {
    Wait();
}

bool BackgroundTask::Start(void (*task)(void*), void* argument) {
    Wait();
    if (!thread_) thread_.reset(new (std::nothrow) Thread);
    if (!thread_) return false;
    try {
        thread_->thread = std::thread(task, argument);
    } catch (...) {
        return false;
    }
    return true;
}

void BackgroundTask::Wait() {
    if (thread_ && thread_->thread.joinable()) thread_->thread.join();
}

}  // namespace kv::imageconv
