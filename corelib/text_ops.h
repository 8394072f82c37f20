// The text operations behind the text commands, over GBK byte strings: lengths and
// positions count bytes, positions are 1-based, and scans step over double-byte characters
// whole so that a match or a cut never starts on a trail byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv::core {

// The first min(count, length) bytes; count <= 0 gives the empty text.
std::string_view LeftPart(std::string_view text, int32_t count);
// The last min(count, length) bytes; count <= 0 gives the empty text.
std::string_view RightPart(std::string_view text, int32_t count);
// One byte holding the low 8 bits of the code; a zero byte gives the empty text.
std::string TextFromCode(int32_t code);
// 1-based position of the first occurrence of `find` at or after `start` (1-based, default
// 1), or -1. With `ignoreCase`, ASCII letters of single-byte characters match either case.
int32_t FindInText(std::string_view text, std::string_view find, std::optional<int32_t> start,
                   bool ignoreCase);
// The text without leading and trailing blanks (0x20 and the full-width A1 A1). A lead byte
// left alone at the very end is dropped too.
std::string_view WithoutBlanks(std::string_view text);
// Splits at each exact occurrence of `separator`, at most `limit` elements (values below 0
// count as 0). A trailing separator adds no empty element; text beyond the limit is dropped.
std::vector<std::string_view> SplitAtSeparator(std::string_view text, std::string_view separator,
                                               std::optional<int32_t> limit);
// `count` spaces; count < 1 gives the empty text.
std::string Spaces(int32_t count);

}  // namespace kv::core
