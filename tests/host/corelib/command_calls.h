// Calling library commands in tests the way the dispatcher does: a zeroed result, the
// argument count and the argument array; text results are copied out and released.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/arg_values.h"
#include "runtime/library.h"

namespace kv::test {

// Calls the command; the kept SystemNotify is the fake kernel's.
ArgValue Call(LibraryCommand command, std::vector<ArgValue> args);
// The text result (checked to be typed text), released afterwards.
std::string CallForText(LibraryCommand command, std::vector<ArgValue> args);
// The text-array result (checked to be one-dimensional), released afterwards.
std::vector<std::string> CallForTextArray(LibraryCommand command, std::vector<ArgValue> args);
// Reads and releases a one-dimensional text array block.
std::vector<std::string> TakeTextArray(void* array);

}  // namespace kv::test
