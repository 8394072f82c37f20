// A file whose contents live in memory. The read side serves a caller's buffer without
// copying it; writes grow an owned buffer in steps of a fixed size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kv::fw {

class MemoryFile {
  public:
    // A writable, initially empty file that grows by `growBy` bytes at a time.
    explicit MemoryFile(size_t growBy = 1024) : growBy_(growBy ? growBy : 1) {}
    // A read-only view of `length` bytes at `data`; the caller keeps them alive.
    MemoryFile(const void* data, size_t length)
        : view_(static_cast<const uint8_t*>(data)), length_(data ? length : 0) {}

    // Copies up to `count` bytes from the current position; answers how many were copied.
    size_t Read(void* destination, size_t count);
    // Appends at the current position; false on a read-only view.
    bool Write(const void* source, size_t count);

    size_t Length() const { return view_ ? length_ : owned_.size(); }
    size_t Position() const { return position_; }
    // The bytes written so far (empty for a read-only view).
    const std::vector<uint8_t>& Contents() const { return owned_; }

  private:
    const uint8_t* Data() const { return view_ ? view_ : owned_.data(); }

    const uint8_t* view_ = nullptr;
    size_t length_ = 0;
    std::vector<uint8_t> owned_;
    size_t growBy_ = 1024;
    size_t position_ = 0;
};

}  // namespace kv::fw
