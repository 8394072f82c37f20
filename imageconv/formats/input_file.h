// A read-only binary stream ("rb") that closes itself; reads are all-or-nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "imageconv/memory/mapped_buffer.h"

namespace kv::imageconv {

class InputFile {
  public:
    InputFile() = default;
    ~InputFile() { Close(); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool Open(const char* path);
    void Close();
    bool is_open() const { return file_ != nullptr; }
    FILE* get() const { return file_; }

    // True only when exactly `count` bytes were read.
    bool Read(void* buffer, size_t count) {
        return count == 0 || fread(buffer, 1, count, file_) == count;
    }
    bool Seek(uint64_t offset);
    bool Length(uint64_t* length);
    // `size` bytes from `offset` into a fresh scratch block (the data of a format decoded
    // from memory); false when it exceeds the block limit or any part cannot be read.
    bool ReadBlock(uint64_t offset, uint64_t size, MappedBuffer* block);

  private:
    FILE* file_ = nullptr;
};

}  // namespace kv::imageconv
