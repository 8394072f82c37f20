// The value of a ComObject variable: a heap block owned by the variable, holding the object
// (an interface, or the IRecordInfo of a held record) and the data of a held record.
#pragma once

#include <cstddef>

#include "runtime/values.h"

namespace kv::com {

namespace comtag {
constexpr TypeTag kObject = 0x00010030;   // ComObject: value = address of an ObjectBlock
constexpr TypeTag kVariant = 0x00010031;  // variant: value = address of a block with a VARIANT
}  // namespace comtag

struct ObjectBlock {
    void* held;    // IUnknown*, or the IRecordInfo* of a held record; null when empty
    void* record;  // the data of a held record, or null
};

// Releases what the block holds (record destroyed, interface released, stray record data
// freed) and leaves both words null.
void ClearObject(ObjectBlock* block);

// A new zeroed block: an empty object, never a null pointer.
ObjectBlock* NewEmptyObject();

}  // namespace kv::com
