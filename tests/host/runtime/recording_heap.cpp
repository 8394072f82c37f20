// Replaces the runtime's heap seam in the host memory tests.
#include "tests/host/runtime/recording_heap.h"

#include <cstdlib>

#include "runtime/heap.h"

namespace kv::test {
namespace {
bool failNext = false;
}

std::vector<void*>& FreedBlocks() {
    static std::vector<void*> freed;
    return freed;
}

void FailNextAllocation() {
    failNext = true;
}

}  // namespace kv::test

namespace kv::heap {

void* Allocate(size_t size) {
    if (test::failNext) {
        test::failNext = false;
        return nullptr;
    }
    return std::malloc(size ? size : 1);
}

void* Reallocate(void* block, size_t size) {
    if (test::failNext) {
        test::failNext = false;
        return nullptr;
    }
    return std::realloc(block, size ? size : 1);
}

void Free(void* block) {
    test::FreedBlocks().push_back(block);
    std::free(block);
}

}  // namespace kv::heap
