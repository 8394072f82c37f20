// What the kernel asks of the COM object type: its SystemNotify service for releasing an
// object value outside the object commands.
#pragma once

namespace kv::com {

// `value` is the object value's two words (interface, extra block): releases them exactly
// as clearing the object does and zeroes both.
void ReleaseObjectValue(void** value);

}  // namespace kv::com
