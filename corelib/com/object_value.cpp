#include "corelib/com/object_value.h"

#include <windows.h>
// The automation headers need the base Windows types declared first.
#include <oaidl.h>

#include "corelib/com/kernel_link.h"
#include "runtime/com_link.h"

namespace kv::com {

void ClearObject(ObjectBlock* block) {
    if (!block) return;
    if (block->held) {
        auto* held = static_cast<IUnknown*>(block->held);
        if (block->record) {
            // A held record keeps its IRecordInfo in word 0, which knows how to destroy it.
            static_cast<IRecordInfo*>(block->held)->RecordDestroy(block->record);
            block->record = nullptr;
        }
        block->held = nullptr;
        held->Release();
    } else if (block->record) {
        ReleaseBlock(block->record);
        block->record = nullptr;
    }
}

ObjectBlock* NewEmptyObject() {
    auto* block = static_cast<ObjectBlock*>(AllocateBlock(sizeof(ObjectBlock)));
    block->held = nullptr;
    block->record = nullptr;
    return block;
}

void ReleaseObjectValue(void** value) {
    static_assert(sizeof(ObjectBlock) == 2 * sizeof(void*), "two pointer-sized words");
    ClearObject(reinterpret_cast<ObjectBlock*>(value));
}

}  // namespace kv::com
