// The heap blocks the open conversion counted. Only these give their bytes back when they
// are freed: a block taken before the conversion (or in an earlier one) and freed during it
// lends the budget nothing.
#pragma once

#include <cstddef>

namespace kv::imageconv {

// A set of block addresses, safe to use from any thread. Its own table comes from the C
// library's functions behind the wrapped ones, so keeping it is never counted.
class CountedBlocks {
  public:
    // Forgets every block: a new conversion starts.
    void Clear();
    // False when the table could not grow; the block is then not in the set.
    bool Add(void* block);
    // True when the block was in the set (and is no longer).
    bool Remove(void* block);
    bool Contains(void* block);

  private:
    // Open addressing with linear probing; a removed block leaves a tombstone.
    size_t Find(void* block) const;
    bool Grow();

    void** slots_ = nullptr;
    size_t capacity_ = 0;  // a power of two
    size_t filled_ = 0;    // blocks and tombstones
};

}  // namespace kv::imageconv
