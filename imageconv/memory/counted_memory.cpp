#include "imageconv/memory/counted_memory.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <new>

namespace kv::imageconv {
namespace {

// Open scopes; opening and closing take a spin lock (twice a conversion), allocating only
// reads `counting`.
std::atomic_flag scopeLock = ATOMIC_FLAG_INIT;
int openScopes = 0;
std::atomic<bool> counting{false};
std::atomic<uint32_t> scopeNumber{0};
std::atomic<int64_t> heapLimit{0}, storageLimit{0};
// What the conversion holds. A block freed during a conversion but taken before it gives
// back bytes never counted, so the heap count may fall below zero: it is signed.
std::atomic<int64_t> heapUsed{0}, storageUsed{0};

class ScopeLock {
  public:
    ScopeLock() {
        while (scopeLock.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~ScopeLock() { scopeLock.clear(std::memory_order_release); }
};

bool Take(std::atomic<int64_t>& used, const std::atomic<int64_t>& limit, uint64_t bytes) {
    const int64_t most = limit.load(std::memory_order_relaxed);
    if (bytes > uint64_t(most)) return false;
    const int64_t amount = int64_t(bytes);
    if (used.fetch_add(amount, std::memory_order_relaxed) + amount <= most) return true;
    used.fetch_sub(amount, std::memory_order_relaxed);
    return false;
}

bool Counting() {
    return counting.load(std::memory_order_relaxed);
}

}  // namespace

CountedMemory::CountedMemory() : CountedMemory(MemoryLimits{kMaxBlockBytes, kLibraryBudget}) {}

CountedMemory::CountedMemory(MemoryLimits limits) {
    ScopeLock lock;
    if (openScopes++ > 0) return;
    heapLimit = int64_t(limits.heap < uint64_t(INT64_MAX) ? limits.heap : INT64_MAX);
    storageLimit = int64_t(limits.storage < uint64_t(INT64_MAX) ? limits.storage : INT64_MAX);
    heapUsed = 0;
    storageUsed = 0;
    ++scopeNumber;
    counting = true;
}

CountedMemory::~CountedMemory() {
    ScopeLock lock;
    if (--openScopes == 0) counting = false;
}

bool StorageShare::Take(uint64_t bytes) {
    GiveBack();
    if (!Counting()) return true;
    if (!kv::imageconv::Take(storageUsed, storageLimit, bytes)) return false;
    bytes_ = bytes;
    scope_ = scopeNumber.load();
    return true;
}

void StorageShare::GiveBack() {
    if (bytes_ && Counting() && scope_ == scopeNumber.load()) {
        storageUsed.fetch_sub(int64_t(bytes_), std::memory_order_relaxed);
    }
    bytes_ = 0;
}

namespace {

// Bytes the allocator really holds for a block, the same whoever allocated it, so that a
// block taken outside the wrapped functions (inside the C runtime, before the conversion)
// and freed through them gives back what it holds, not what a header of ours would claim.
size_t HeldBytes(void* block) {
#ifdef _WIN32
    return _msize(block);
#else
    return malloc_usable_size(block);
#endif
}

// Counts the request before the allocator sees it (a request past the budget never reaches
// it), then settles on what the allocator holds for it.
template <typename Allocate>
void* CountedAllocation(size_t bytes, Allocate allocate) {
    if (!Take(heapUsed, heapLimit, bytes)) {
        errno = ENOMEM;
        return nullptr;
    }
    void* block = allocate();
    if (!block) {
        heapUsed.fetch_sub(int64_t(bytes), std::memory_order_relaxed);
        return nullptr;
    }
    const size_t held = HeldBytes(block);
    if (held != bytes) heapUsed.fetch_add(int64_t(held) - int64_t(bytes));
    return block;
}

}  // namespace
}  // namespace kv::imageconv

using kv::imageconv::CountedAllocation;
using kv::imageconv::Counting;
using kv::imageconv::heapUsed;
using kv::imageconv::HeldBytes;

// The wrapped heap functions: the linker sends every call of `name` in the program's own
// objects and static libraries to __wrap_name, and __real_name to the C runtime's.
extern "C" {
void* __real_malloc(size_t);
void* __real_calloc(size_t, size_t);
void* __real_realloc(void*, size_t);
void __real_free(void*);

void* __wrap_malloc(size_t bytes) {
    if (!Counting()) return __real_malloc(bytes);
    return CountedAllocation(bytes, [&] { return __real_malloc(bytes); });
}

void* __wrap_calloc(size_t count, size_t size) {
    if (size != 0 && count > SIZE_MAX / size) {
        errno = ENOMEM;
        return nullptr;
    }
    if (!Counting()) return __real_calloc(count, size);
    return CountedAllocation(count * size, [&] { return __real_calloc(count, size); });
}

void __wrap_free(void* block) {
    if (block && Counting()) heapUsed.fetch_sub(int64_t(HeldBytes(block)));
    __real_free(block);
}

void* __wrap_realloc(void* block, size_t bytes) {
    if (!Counting()) return __real_realloc(block, bytes);
    if (!block) return __wrap_malloc(bytes);
    // Only the growth is taken first: the old block is still counted.
    const size_t old = HeldBytes(block);
    const size_t growth = bytes > old ? bytes - old : 0;
    if (!kv::imageconv::Take(heapUsed, kv::imageconv::heapLimit, growth)) {
        errno = ENOMEM;
        return nullptr;
    }
    void* moved = __real_realloc(block, bytes);
    if (!moved && bytes != 0) {
        // Failed: the old block stays as it was.
        heapUsed.fetch_sub(int64_t(growth));
        return nullptr;
    }
    const size_t held = moved ? HeldBytes(moved) : 0;
    heapUsed.fetch_add(int64_t(held) - int64_t(old) - int64_t(growth));
    return moved;
}

#ifndef _WIN32
// Aligned blocks are freed by free(), which finds their size like any other's.
int __real_posix_memalign(void**, size_t, size_t);
void* __real_aligned_alloc(size_t, size_t);
void* __real_memalign(size_t, size_t);

int __wrap_posix_memalign(void** result, size_t alignment, size_t bytes) {
    if (!Counting()) return __real_posix_memalign(result, alignment, bytes);
    int error = 0;
    void* block = CountedAllocation(bytes, [&]() -> void* {
        void* made = nullptr;
        error = __real_posix_memalign(&made, alignment, bytes);
        return error == 0 ? made : nullptr;
    });
    if (!block) return error != 0 ? error : ENOMEM;
    *result = block;
    return 0;
}

void* __wrap_aligned_alloc(size_t alignment, size_t bytes) {
    if (!Counting()) return __real_aligned_alloc(alignment, bytes);
    return CountedAllocation(bytes, [&] { return __real_aligned_alloc(alignment, bytes); });
}

void* __wrap_memalign(size_t alignment, size_t bytes) {
    if (!Counting()) return __real_memalign(alignment, bytes);
    return CountedAllocation(bytes, [&] { return __real_memalign(alignment, bytes); });
}
#endif
}

#ifndef _WIN32
// On the host the C++ runtime is a shared library whose operator new does not go through
// the wrapped functions; these replace it for the whole process (the C++ libraries, and
// blocks the runtime allocates and a library frees inline), on malloc and free, which are
// wrapped in this object too. On Windows the static C++ runtime's operator new calls the
// wrapped malloc already.
namespace {
void* NewBlock(size_t bytes, size_t alignment) {
    for (;;) {
        void* block = nullptr;
        if (alignment <= alignof(std::max_align_t)) {
            block = malloc(bytes ? bytes : 1);
        } else if (posix_memalign(&block, alignment, bytes ? bytes : 1) != 0) {
            block = nullptr;
        }
        if (block) return block;
        const std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

void* NewBlockOrNull(size_t bytes, size_t alignment) noexcept {
    try {
        return NewBlock(bytes, alignment);
    } catch (...) {
        return nullptr;
    }
}
}  // namespace

void* operator new(size_t bytes) {
    return NewBlock(bytes, 0);
}
void* operator new[](size_t bytes) {
    return NewBlock(bytes, 0);
}
void* operator new(size_t bytes, const std::nothrow_t&) noexcept {
    return NewBlockOrNull(bytes, 0);
}
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept {
    return NewBlockOrNull(bytes, 0);
}
void* operator new(size_t bytes, std::align_val_t alignment) {
    return NewBlock(bytes, size_t(alignment));
}
void* operator new[](size_t bytes, std::align_val_t alignment) {
    return NewBlock(bytes, size_t(alignment));
}
void* operator new(size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return NewBlockOrNull(bytes, size_t(alignment));
}
void* operator new[](size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return NewBlockOrNull(bytes, size_t(alignment));
}

void operator delete(void* block) noexcept {
    free(block);
}
void operator delete[](void* block) noexcept {
    free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    free(block);
}
void operator delete(void* block, size_t) noexcept {
    free(block);
}
void operator delete[](void* block, size_t) noexcept {
    free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    free(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    free(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    free(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    free(block);
}
void operator delete(void* block, size_t, std::align_val_t) noexcept {
    free(block);
}
void operator delete[](void* block, size_t, std::align_val_t) noexcept {
    free(block);
}
#endif
