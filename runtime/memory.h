// Values and memory: the runtime heap with the constant-block rules. Values inside the
// program's constant block are shared and read-only: never freed, copied out before change.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/values.h"

namespace kv {

// The constant block's range, known from program loading until the end sequence.
void SetConstantBlock(const void* start, size_t length);
void ForgetConstantBlock();
// The block's end when `address` lies inside it, else null.
const char* ConstantBlockEnd(const void* address);

// Reports "分配 %d 字节内存失败!" with `size` as a runtime error; the program ends.
[[noreturn]] void ReportAllocationFailure(intptr_t size);
// A new block; failure reports "分配 %d 字节内存失败!" and ends the program.
void* Allocate(intptr_t size);
// A new block or null.
void* AllocateUnchecked(intptr_t size);
// Null allocates; a constant is copied into a new block; otherwise resized (fatal failure).
void* Reallocate(void* block, intptr_t size);
// Nothing for null or a constant.
void Release(void* block);
// Releases the elements of a text or byte-set array first, then the array block.
void ReleaseArray(TypeTag type, void* array);
// Copies an array that lies in the constant block onto the heap and updates the pointer.
void MakeArrayWritable(int32_t elementSize, void** array);

}  // namespace kv
