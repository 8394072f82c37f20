// Handing a converted bitmap to the relaunched installed copy: the converting instance holds
// the bitmap until the copy holds it, so that no other viewer's clean-up removes it between.
#pragma once

#include <cstdint>

namespace kv::app {

// Waits, keeping this instance's windows responsive, until the relaunched program `process`
// holds `bmpPath` as shown. True once it does, and also when after a while it still runs
// without (an older installed copy never holds it); false when it ended without it.
bool HandedOver(const char* bmpPath, int32_t process);

}  // namespace kv::app
