// A heap for the memory tests: the C heap underneath, every free recorded in order.
#pragma once

#include <vector>

namespace kv::test {

std::vector<void*>& FreedBlocks();
// Makes the next allocation fail (once).
void FailNextAllocation();

}  // namespace kv::test
