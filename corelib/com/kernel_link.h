// The COM object commands reach the kernel only through the SystemNotify entry that the
// core library receives at start-up.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/library.h"

namespace kv::com {

// Called by the core library when the kernel hands it SystemNotify (library notification 1).
void SetSystemNotify(NotifyFunction notify);

// A block on the runtime heap; allocation failure ends the program inside the kernel.
void* AllocateBlock(size_t bytes);
// Releases a runtime heap block (null and constant-block addresses are ignored by the kernel).
void ReleaseBlock(void* block);

// The library data-type record of a library TypeTag, or null.
const void* DataTypeRecord(TypeTag type);

}  // namespace kv::com
