// A block of bytes held in a hidden temporary file mapped into memory, so that image pixels
// never sit on the heap. The backing file is deleted when the block is released.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "imageconv/memory/counted_memory.h"

namespace kv::imageconv {

// Every image and scratch block of the library is backed by "QRVCLASS<n>.tmp".
constexpr const char* kBackingPrefix = "QRVCLASS";
// Names taken by others between the search and the creation before an allocation gives up.
constexpr int kMaxNameCollisions = 64;

class MappedBuffer {
  public:
    MappedBuffer() = default;
    ~MappedBuffer() { Release(true); }
    MappedBuffer(const MappedBuffer&) = delete;
    MappedBuffer& operator=(const MappedBuffer&) = delete;

    // Releases any previous block, then creates, maps and views a fresh backing file of
    // `size` bytes at `path`, or else as a new file under the first free TempFileName(prefix),
    // which is gone however the process ends: on Windows the system deletes it when its
    // handles close, elsewhere it is unlinked as soon as it is open. A size of 0, or a size
    // past a running conversion's storage budget, only releases. On failure everything made
    // so far is undone and the file is deleted.
    bool Allocate(size_t size, const char* prefix = kBackingPrefix, const char* path = nullptr);
    // Hands the whole view to the system's write-back.
    void Flush();
    // Unmaps and closes; deletes the backing file when asked to.
    void Release(bool deleteFile = true);

    uint8_t* data() const { return view_; }
    size_t size() const { return size_; }
    const std::string& path() const { return path_; }

  private:
    intptr_t file_ = -1;    // platform file handle (fd or HANDLE), -1 when none
    intptr_t mapping_ = 0;  // file-mapping handle where the platform has one
    uint8_t* view_ = nullptr;
    size_t size_ = 0;
    std::string path_;
    // The file is gone already (POSIX: unlinked once open) or goes when its handle closes
    // (Windows): its name may be another block's by the release.
    bool deletedOnClose_ = false;
    StorageShare share_;  // counted against a running conversion's budget
};

}  // namespace kv::imageconv
