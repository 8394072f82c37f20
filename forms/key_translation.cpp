#include "forms/key_translation.h"

namespace kv::forms {

namespace {
constexpr uint32_t kShiftKey = 16, kCtrlKey = 17, kAltKey = 18;
}

uint16_t TranslateKey(uint32_t wParam, Modifiers modifiers) {
    const uint32_t virtualKey = wParam & 0xFF;
    uint32_t key = virtualKey;
    if (key >= 0x60 && key <= 0x69) {
        key = key - 0x60 + 0x30;  // keypad digits -> digit keys
    } else if (key == 0x6D) {
        key = 189;  // keypad minus
    } else if (key == 0x6E) {
        key = 190;  // keypad point
    } else if (key == 0x6F) {
        key = 191;  // keypad divide
    }
    if (modifiers.ctrl && virtualKey != kCtrlKey) key += 0x2000;
    if (modifiers.shift && virtualKey != kShiftKey) key += 0x4000;
    if (modifiers.alt && virtualKey != kAltKey) key += 0x8000;
    return uint16_t(key);
}

}  // namespace kv::forms
