#include <cstdlib>

#include "runtime/heap.h"

namespace kv::heap {

// A zero-byte request still yields a block of its own, as the Windows heap does.
void* Allocate(size_t size) {
    return std::malloc(size ? size : 1);
}

void* Reallocate(void* block, size_t size) {
    return std::realloc(block, size ? size : 1);
}

void Free(void* block) {
    std::free(block);
}

}  // namespace kv::heap
