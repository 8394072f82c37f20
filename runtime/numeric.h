// Numeric values as integers (SystemNotify 2001).
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace kv {

// Byte zero-extended, short sign-extended, integer and long integer by their low 32 bits,
// float and double truncated toward zero. False for any other TypeTag.
bool NumberAsInteger(const ArgValue& value, int64_t* result);

}  // namespace kv
