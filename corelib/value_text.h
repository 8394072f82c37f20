// The text a message box shows for a value of any basic type.
#pragma once

#include <string>

#include "runtime/values.h"

namespace kv::core {

// Integers in decimal, a float reduced to six significant digits (halves away from zero),
// a double to thirteen, logicals as 真/假, date-times as 年月日 with the time parts that are
// not zero, texts as themselves; any other type gives the empty text.
std::string ValueToText(const ArgValue& value);

// The date-time form alone: days since 1899-12-30, the fraction the time of day.
std::string DateTimeToText(double oleDate);

}  // namespace kv::core
