// The standard-cursor table (index -> system cursor ID) and the conversions between the
// cursor number stored in a cursor block and the index program code sees.
#pragma once

#include <cstdint>
#include <vector>

namespace kv::forms {

constexpr int32_t kStandardCursorCount = 15;
// Index 0 is "none" (the window class's cursor applies).
extern const int32_t kStandardCursorIds[kStandardCursorCount];
// The system ID standing for the program's own cursor resource.
constexpr int32_t kHandCursorId = 32649;
// Cursor number -1: cursor-file data follows the first word.
constexpr int32_t kCursorFileNumber = -1;

// The cursor number of a block: its first word with 4 bytes or more, else its first byte;
// 0 for an empty block.
int32_t CursorNumber(const std::vector<uint8_t>& block);
// Program value -> stored block: a first word of 0-14 becomes the table's system ID.
void CursorIndexToStored(std::vector<uint8_t>* block);
// Stored block -> program value: a first word that is a system ID of the table becomes its
// index.
void CursorStoredToIndex(std::vector<uint8_t>* block);

}  // namespace kv::forms
