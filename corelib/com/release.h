// Releasing a COM object value outside the object commands (the kernel's SystemNotify
// service for the COM object type uses this).
#pragma once

namespace kv::com {

// `value` is the object value's two words (interface, extra block): releases them exactly
// as clearing the object does and zeroes both.
void ReleaseObjectValue(void** value);

}  // namespace kv::com
