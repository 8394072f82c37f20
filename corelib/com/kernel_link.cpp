#include "corelib/com/kernel_link.h"

#include <windows.h>

namespace kv::com {
namespace {
NotifyFunction systemNotify = nullptr;
}  // namespace

void SetSystemNotify(NotifyFunction notify) {
    systemNotify = notify;
}

// Before the kernel has introduced itself the runtime heap is still the process's default
// heap, so the object value can be released even then.
void* AllocateBlock(size_t bytes) {
    if (systemNotify) {
        return reinterpret_cast<void*>(systemNotify(sysnotify::kAllocate, intptr_t(bytes), 0));
    }
    return HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1);
}

void ReleaseBlock(void* block) {
    if (!block) return;
    if (systemNotify) {
        systemNotify(sysnotify::kRelease, reinterpret_cast<intptr_t>(block), 0);
    } else {
        HeapFree(GetProcessHeap(), 0, block);
    }
}

const void* DataTypeRecord(TypeTag type) {
    if (!systemNotify) return nullptr;
    return reinterpret_cast<const void*>(
        systemNotify(sysnotify::kDataTypeRecord, intptr_t(type), 0));
}

}  // namespace kv::com
