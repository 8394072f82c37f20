// The core library's link to the kernel: the SystemNotify entry handed over with
// notification 1, kept for the commands that need kernel services.
#pragma once

#include <cstdint>

#include "runtime/library.h"

namespace kv::core {

void KeepSystemNotify(NotifyFunction notify);
// Forwards to the kept entry; answers 0 while none is kept.
intptr_t CallSystemNotify(int32_t code, intptr_t p1 = 0, intptr_t p2 = 0);

}  // namespace kv::core
