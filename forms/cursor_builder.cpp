#include "forms/cursor_builder.h"

#include <cstring>
#include <set>

#include "forms/cursor_table.h"
#include "runtime/kernel.h"

namespace kv::forms {
namespace {

std::set<HCURSOR>& OwnedCursors() {
    static std::set<HCURSOR> cursors;
    return cursors;
}

uint32_t Word(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// A cursor from the bytes of a cursor file (directory header, entries, images): the first
// image, with its hot spot, handed to the system as a cursor resource.
HCURSOR CursorFromFile(const uint8_t* data, size_t length) {
    if (length < 6 + 16) return nullptr;
    uint16_t type = uint16_t(data[2] | data[3] << 8);
    uint16_t count = uint16_t(data[4] | data[5] << 8);
    if (type != 2 || count == 0) return nullptr;
    const uint8_t* entry = data + 6;
    uint16_t hotX = uint16_t(entry[4] | entry[5] << 8);
    uint16_t hotY = uint16_t(entry[6] | entry[7] << 8);
    uint32_t size = Word(entry + 8);
    uint32_t offset = Word(entry + 12);
    if (offset > length || size > length - offset || size == 0) return nullptr;
    std::vector<uint8_t> resource(4 + size);
    resource[0] = uint8_t(hotX), resource[1] = uint8_t(hotX >> 8);
    resource[2] = uint8_t(hotY), resource[3] = uint8_t(hotY >> 8);
    std::memcpy(resource.data() + 4, data + offset, size);
    HICON cursor = CreateIconFromResourceEx(resource.data(), DWORD(resource.size()), FALSE,
                                            0x00030000, 0, 0, LR_DEFAULTCOLOR);
    if (cursor) OwnedCursors().insert(cursor);
    return cursor;
}

}  // namespace

HCURSOR BuildCursor(const std::vector<uint8_t>& block) {
    if (block.empty()) return nullptr;
    int32_t n = CursorNumber(block);
    if (n != kCursorFileNumber && block.size() > 10) {
        if (HCURSOR cursor = CursorFromFile(block.data(), block.size())) return cursor;
    }
    if (n >= 0 && n < kStandardCursorCount) n = kStandardCursorIds[n];
    if (n == 0) return nullptr;
    if (n == kHandCursorId) return LoadCursorA(ProgramModule(), MAKEINTRESOURCEA(1032));
    if (n == kCursorFileNumber) {
        return block.size() > 4 ? CursorFromFile(block.data() + 4, block.size() - 4) : nullptr;
    }
    for (int32_t id : kStandardCursorIds) {
        if (id == n) return LoadCursorA(nullptr, MAKEINTRESOURCEA(n));
    }
    return nullptr;
}

void DestroyUnitCursor(HCURSOR cursor) {
    if (cursor && OwnedCursors().erase(cursor)) DestroyCursor(cursor);
}

}  // namespace kv::forms
