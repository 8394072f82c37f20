#include "imageconv/memory/counted_blocks.h"

#include <atomic>
#include <cstdint>
#include <cstring>

// The C library's functions behind the wrapped heap functions (counted_memory.cpp).
extern "C" {
void* __real_calloc(size_t, size_t);
void __real_free(void*);
}

namespace kv::imageconv {
namespace {

void* const kTombstone = reinterpret_cast<void*>(uintptr_t(1));
constexpr size_t kFirstCapacity = 1024;

// One lock for the set: its work under the lock is a few probes.
std::atomic_flag tableLock = ATOMIC_FLAG_INIT;

class TableLock {
  public:
    TableLock() {
        while (tableLock.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~TableLock() { tableLock.clear(std::memory_order_release); }
};

size_t Hash(void* block) {
    // Blocks are aligned to at least 8 bytes: the low bits carry nothing.
    return size_t((uintptr_t(block) >> 3) * uintptr_t(0x9E3779B97F4A7C15ull));
}

}  // namespace

void CountedBlocks::Clear() {
    TableLock lock;
    if (slots_) memset(slots_, 0, capacity_ * sizeof *slots_);
    filled_ = 0;
}

// The slot holding `block`, else the first empty one on its probe path (capacity_ when
// the table has none).
size_t CountedBlocks::Find(void* block) const {
    const size_t mask = capacity_ - 1;
    for (size_t i = Hash(block) & mask, probes = 0; probes < capacity_; i = (i + 1) & mask) {
        if (slots_[i] == block || slots_[i] == nullptr) return i;
        ++probes;
    }
    return capacity_;
}

bool CountedBlocks::Grow() {
    size_t live = 0;
    for (size_t i = 0; i < capacity_; ++i) live += slots_[i] && slots_[i] != kTombstone;
    size_t capacity = kFirstCapacity;
    while (capacity < 4 * (live + 1)) capacity *= 2;
    void** slots = static_cast<void**>(__real_calloc(capacity, sizeof *slots));
    if (!slots) return false;
    void** old = slots_;
    const size_t oldCapacity = capacity_;
    slots_ = slots;
    capacity_ = capacity;
    filled_ = live;
    for (size_t i = 0; i < oldCapacity; ++i) {
        if (old[i] && old[i] != kTombstone) slots_[Find(old[i])] = old[i];
    }
    __real_free(old);
    return true;
}

bool CountedBlocks::Add(void* block) {
    TableLock lock;
    // At most half full, tombstones included, so that probe paths stay short.
    if (2 * (filled_ + 1) > capacity_ && !Grow()) return false;
    const size_t slot = Find(block);
    if (slots_[slot] == nullptr) ++filled_;
    slots_[slot] = block;
    return true;
}

bool CountedBlocks::Remove(void* block) {
    TableLock lock;
    if (!slots_) return false;
    const size_t slot = Find(block);
    if (slot == capacity_ || slots_[slot] != block) return false;
    slots_[slot] = kTombstone;
    return true;
}

bool CountedBlocks::Contains(void* block) {
    TableLock lock;
    if (!slots_) return false;
    const size_t slot = Find(block);
    return slot != capacity_ && slots_[slot] == block;
}

}  // namespace kv::imageconv
