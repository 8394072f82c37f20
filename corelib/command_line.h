// Splitting the program's command line into its arguments.
#pragma once

#include <string_view>
#include <vector>

namespace kv::core {

// The arguments after the program name. Bytes of 0x20 and below separate arguments; a
// double quote opens an argument that runs to the next double quote or the end of the line
// (possibly empty); a plain argument ends before a separator or a double quote. A lead byte
// takes its trail byte with it; a lead byte that is the last byte of the line is dropped.
std::vector<std::string_view> SplitCommandLine(const char* line);

}  // namespace kv::core
