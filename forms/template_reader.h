// Reads the template block of a program image into a form map, relocating every handler
// offset against the program's code base.
#pragma once

#include <cstdint>

#include "forms/template_model.h"

namespace kv::forms {

// Appends the block's templates to `map`. False (and `map` unchanged) when the block is
// damaged: a length or count that runs past its end, or an entry shorter than its
// fixed fields. A block of length 0 is an empty, valid collection.
bool ReadTemplateBlock(const void* block, uint32_t length, uintptr_t codeBase, FormMap* map);

// The address a stored handler word stands for: 0 for "none", else the code base plus the
// offset (taken as signed, so a handler may lie before the code base).
uintptr_t RelocateHandler(uint32_t word, uintptr_t codeBase);

}  // namespace kv::forms
