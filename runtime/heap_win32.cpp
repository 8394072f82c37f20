#include <windows.h>

#include "runtime/heap.h"

namespace kv::heap {
namespace {
HANDLE Heap() {
    static HANDLE heap = GetProcessHeap();
    return heap;
}
}  // namespace

void* Allocate(size_t size) {
    return HeapAlloc(Heap(), 0, size);
}

void* Reallocate(void* block, size_t size) {
    return HeapReAlloc(Heap(), 0, block, size);
}

void Free(void* block) {
    HeapFree(Heap(), 0, block);
}

}  // namespace kv::heap
