// Memory counted where it is taken. While a conversion runs, every heap allocation of the
// process (the format and colour libraries', their threads' and our own) and every mapped
// block of our storage counts against one budget; an allocation past it fails as if the
// system had no more memory, and the library takes its ordinary out-of-memory path (a null
// result, its error exit, or std::bad_alloc, which the readers stop). The heap functions
// are wrapped at link time (the link options in sources.cmake), so the static libraries
// are counted without any change to them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kv::imageconv {

// Largest pixel storage (or scratch block) the library maps. Anything larger is refused
// as an ordinary failure; the limit keeps every size and offset inside 31 bits.
#ifndef KV_IMAGECONV_MAX_BLOCK_BYTES
#define KV_IMAGECONV_MAX_BLOCK_BYTES 0x7FFFFFFFull
#endif
constexpr uint64_t kMaxBlockBytes = KV_IMAGECONV_MAX_BLOCK_BYTES;

// What a format library may hold beyond our storage during one decode (its own pixel
// buffers, coefficient arrays, canvases): a conversion stays near the size of its image.
constexpr uint64_t kLibraryBudget = kMaxBlockBytes < (256ull << 20) ? kMaxBlockBytes : 256ull << 20;

// What one conversion may hold at once: our storage blocks, and the heap beside them.
struct MemoryLimits {
    uint64_t storage;
    uint64_t heap;
};

// Counts while alive. Of nested or concurrent scopes the outermost sets the limits, so a
// caller may run a conversion under a tighter budget than LoadAnyImage's own.
class CountedMemory {
  public:
    // The conversion's own budget: the storage cap for our blocks, the library budget
    // for the heap.
    CountedMemory();
    explicit CountedMemory(MemoryLimits limits);
    ~CountedMemory();
    CountedMemory(const CountedMemory&) = delete;
    CountedMemory& operator=(const CountedMemory&) = delete;
};

// A storage block's share of the budget: taken before the block is made, given back when
// it is released (only to the conversion that counted it).
class StorageShare {
  public:
    // False when the block would take the storage past its budget.
    bool Take(uint64_t bytes);
    void GiveBack();

  private:
    uint64_t bytes_ = 0;
    uint32_t scope_ = 0;
};

}  // namespace kv::imageconv
