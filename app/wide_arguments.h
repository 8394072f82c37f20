// The wide command line's arguments, which keep the characters the code page lacks.
#pragma once

#include <string>
#include <vector>

namespace kv::app {

// Splits the wide command line by the same rules as the ANSI one: the program name is
// skipped; blanks and control characters separate; a double-quoted stretch is one argument.
std::vector<std::wstring> WideArguments(const wchar_t* line);

}  // namespace kv::app
