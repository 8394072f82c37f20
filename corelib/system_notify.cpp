#include "corelib/system_notify.h"

namespace kv::core {
namespace {
NotifyFunction keptNotify = nullptr;
}

void KeepSystemNotify(NotifyFunction notify) {
    keptNotify = notify;
}

intptr_t CallSystemNotify(int32_t code, intptr_t p1, intptr_t p2) {
    return keptNotify ? keptNotify(code, p1, p2) : 0;
}

}  // namespace kv::core
