// The key value of key events: the virtual key with the keypad folded onto the main keys,
// plus bits for Ctrl (0x2000), Shift (0x4000) and Alt (0x8000).
#pragma once

#include <cstdint>

namespace kv::forms {

struct Modifiers {
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
};

// The 16-bit key value of a key message's wParam.
uint16_t TranslateKey(uint32_t wParam, Modifiers modifiers);
// The event's key code: the low 13 bits.
inline int32_t KeyCode(uint16_t keyValue) {
    return keyValue & 0x1FFF;
}
// The event's shift state: 1 Ctrl, 2 Shift, 4 Alt.
inline int32_t ShiftState(uint16_t keyValue) {
    return (keyValue >> 13) & 7;
}

}  // namespace kv::forms
