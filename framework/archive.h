// The loading side of an archive: typed little-endian reads from a memory file through a
// buffer. A read past the end puts the archive into the failed state; every later read
// then fails too, so a reader may check once after a group of reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/memory_file.h"

namespace kv::fw {

class LoadArchive {
  public:
    explicit LoadArchive(MemoryFile& file, size_t bufferSize = 4096);

    bool ReadBytes(void* destination, size_t count);
    bool ReadU32(uint32_t* value);
    bool ReadI32(int32_t* value);
    // A text stored as a u32 byte count followed by that many bytes (no terminator).
    bool ReadCountedText(std::string* text);
    // A byte block stored as a u32 byte count followed by that many bytes.
    bool ReadCountedBytes(std::vector<uint8_t>* bytes);
    // A NUL-terminated text; the terminator is consumed, not stored.
    bool ReadNulText(std::string* text);

    bool Failed() const { return failed_; }
    // Bytes left between the read position and the end of the file.
    size_t Remaining() const;

  private:
    bool Fill();

    MemoryFile& file_;
    std::vector<uint8_t> buffer_;
    size_t begin_ = 0;
    size_t end_ = 0;
    bool failed_ = false;
};

// The storing side: little-endian writes appended to a growable memory file.
class StoreArchive {
  public:
    explicit StoreArchive(MemoryFile& file) : file_(file) {}

    void WriteBytes(const void* source, size_t count) { file_.Write(source, count); }
    void WriteU32(uint32_t value);
    void WriteI32(int32_t value) { WriteU32(uint32_t(value)); }
    void WriteCountedText(const std::string& text);
    void WriteCountedBytes(const std::vector<uint8_t>& bytes);
    void WriteNulText(const std::string& text);

  private:
    MemoryFile& file_;
};

}  // namespace kv::fw
