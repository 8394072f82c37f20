// A minimal forms layer for the kernel's tests: form 1 is a plain hidden window; no
// templates, no units, no idle events. The last window's teardown posts the quit message
// once the loop was entered, as the real window unit does.
#pragma once

#include <windows.h>

namespace kv::test {

// Makes the next template-block read fail.
void BreakTemplateBlock();
// The loaded start window, or null.
HWND StartWindow();

}  // namespace kv::test
