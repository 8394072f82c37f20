#include "runtime/memory.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "runtime/heap.h"
#include "runtime/runtime_error.h"

namespace kv {
namespace {
const char* constantStart = nullptr;
const char* constantEnd = nullptr;

size_t ElementCount(const uint32_t* header) {
    size_t count = 1;
    for (uint32_t d = 0; d < header[0]; ++d) count *= header[1 + d];
    return count;
}
}  // namespace

void SetConstantBlock(const void* start, size_t length) {
    constantStart = static_cast<const char*>(start);
    constantEnd = constantStart + length;
}

void ForgetConstantBlock() {
    constantStart = constantEnd = nullptr;
}

const char* ConstantBlockEnd(const void* address) {
    auto p = reinterpret_cast<uintptr_t>(address);
    if (!constantStart || p < reinterpret_cast<uintptr_t>(constantStart) ||
        p >= reinterpret_cast<uintptr_t>(constantEnd))
        return nullptr;
    return constantEnd;
}

void ReportAllocationFailure(intptr_t size) {
    char message[100];
    std::snprintf(message, sizeof message, "分配 %lld 字节内存失败!", static_cast<long long>(size));
    ReportRuntimeError(message, 0);
}

void* AllocateUnchecked(intptr_t size) {
    if (size < 0) return nullptr;
    return heap::Allocate(size_t(size));
}

void* Allocate(intptr_t size) {
    void* block = AllocateUnchecked(size);
    if (!block) ReportAllocationFailure(size);
    return block;
}

void* Reallocate(void* block, intptr_t size) {
    if (!block) return Allocate(size);
    if (const char* end = ConstantBlockEnd(block)) {
        void* copy = Allocate(size);
        intptr_t available = end - static_cast<const char*>(block);
        std::memcpy(copy, block, size_t(std::min(size, available)));
        return copy;
    }
    void* resized = size < 0 ? nullptr : heap::Reallocate(block, size_t(size));
    if (!resized) ReportAllocationFailure(size);
    return resized;
}

void Release(void* block) {
    if (!block || ConstantBlockEnd(block)) return;
    heap::Free(block);
}

void ReleaseArray(TypeTag type, void* array) {
    if (!array) return;
    TypeTag element = type & ~tag::kArrayBit;
    if (element == tag::kText || element == tag::kBytes) {
        auto* header = static_cast<uint32_t*>(array);
        // With pointer-sized elements after 32-bit header words the elements need not be
        // aligned: read each address bytewise.
        const char* items = static_cast<char*>(array) + ArrayHeaderSize(header[0]);
        size_t count = ElementCount(header);
        for (size_t i = 0; i < count; ++i) {
            void* element;
            std::memcpy(&element, items + i * sizeof element, sizeof element);
            Release(element);
        }
    }
    Release(array);
}

void MakeArrayWritable(int32_t elementSize, void** array) {
    if (!array || !ConstantBlockEnd(*array)) return;
    auto* header = static_cast<const uint32_t*>(*array);
    size_t size = ArrayHeaderSize(header[0]) + size_t(elementSize) * ElementCount(header);
    void* copy = Allocate(intptr_t(size));
    std::memcpy(copy, *array, size);
    *array = copy;
}

}  // namespace kv
