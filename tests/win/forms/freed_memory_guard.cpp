// The test program's operator new and delete: the heap, or while guarded, pages of their own
// that stay reserved, and so are never handed out again, after their deletion.
#include "tests/win/forms/freed_memory_guard.h"

#include <windows.h>

#include <cstdlib>
#include <new>

namespace {
bool guarding = false;
constexpr size_t kMaxGuardedBlocks = 4096;
void* guardedBlocks[kMaxGuardedBlocks];
size_t guardedCount = 0;

bool ReleaseGuarded(void* block) {
    for (size_t i = 0; i < guardedCount; ++i) {
        if (guardedBlocks[i] == block) {
            VirtualFree(block, 0, MEM_DECOMMIT);
            return true;
        }
    }
    return false;
}
}  // namespace

namespace kv::test {
FreedMemoryGuard::FreedMemoryGuard() {
    guarding = true;
}
FreedMemoryGuard::~FreedMemoryGuard() {
    guarding = false;
}
}  // namespace kv::test

void* operator new(std::size_t size) {
    if (guarding && guardedCount < kMaxGuardedBlocks) {
        void* block =
            VirtualAlloc(nullptr, size ? size : 1, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (block) return guardedBlocks[guardedCount++] = block;
    }
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept {
    if (block && !ReleaseGuarded(block)) std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    operator delete(block);
}
