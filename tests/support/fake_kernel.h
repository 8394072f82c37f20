// A SystemNotify for library unit tests that run without the kernel: memory services on
// the C heap, program directory and file name settable, every other code answers 0.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/library.h"

namespace kv::test {

intptr_t KV_STDCALL FakeSystemNotify(int32_t code, intptr_t p1, intptr_t p2);

// Blocks handed out by the fake allocator and not yet released.
int LiveBlocks();
void SetProgramLocation(const std::string& directory, const std::string& fileName);

}  // namespace kv::test
