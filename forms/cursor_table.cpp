#include "forms/cursor_table.h"

#include <cstddef>

namespace kv::forms {

const int32_t kStandardCursorIds[kStandardCursorCount] = {0,     32512, 32515, 32513, 32514,
                                                          32651, 32650, 32648, 32646, 32643,
                                                          32645, 32642, 32644, 32516, 32649};

namespace {
int32_t FirstWord(const std::vector<uint8_t>& b) {
    return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                   uint32_t(b[3]) << 24);
}
void SetFirstWord(std::vector<uint8_t>* b, int32_t value) {
    for (int i = 0; i < 4; ++i) (*b)[std::size_t(i)] = uint8_t(uint32_t(value) >> (8 * i));
}
}  // namespace

int32_t CursorNumber(const std::vector<uint8_t>& block) {
    if (block.empty()) return 0;
    return block.size() >= 4 ? FirstWord(block) : block[0];
}

void CursorIndexToStored(std::vector<uint8_t>* block) {
    if (block->size() < 4) return;
    int32_t n = FirstWord(*block);
    if (n >= 0 && n < kStandardCursorCount) SetFirstWord(block, kStandardCursorIds[n]);
}

void CursorStoredToIndex(std::vector<uint8_t>* block) {
    if (block->size() < 4) return;
    int32_t n = FirstWord(*block);
    for (int32_t i = 1; i < kStandardCursorCount; ++i) {
        if (kStandardCursorIds[i] == n) {
            SetFirstWord(block, i);
            return;
        }
    }
}

}  // namespace kv::forms
