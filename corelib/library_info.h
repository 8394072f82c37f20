// The core library's self-description, registered by the kernel with the program's other
// support libraries.
#pragma once

#include "forms/unit_type.h"
#include "runtime/library.h"

namespace kv::core {

extern const LibraryInfo kCoreLibraryInfo;
// One record per data type number (1-based number = index + 1); all zero except the unit
// types: window (1), button (11), timer (32) and the COM object (48).
extern const UnitTypeRecord kCoreDataTypes[unittype::kCoreTypeCount];

}  // namespace kv::core
