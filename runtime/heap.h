// The runtime heap seam: the process's default heap on Windows, the C heap elsewhere.
// Every answer of null is a failure; the caller decides whether it is fatal.
#pragma once

#include <cstddef>

namespace kv::heap {

void* Allocate(size_t size);
// Resizes in place or moves; null on failure, the block then stays as it was.
void* Reallocate(void* block, size_t size);
void Free(void* block);

}  // namespace kv::heap
