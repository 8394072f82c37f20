// Mouse cursors of units, built from their cursor blocks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace kv::forms {

// The cursor a block stands for, or null for none.
HCURSOR BuildCursor(const std::vector<uint8_t>& block);
// Destroys a cursor built from cursor-file data; system cursors are shared and kept.
void DestroyUnitCursor(HCURSOR cursor);

}  // namespace kv::forms
