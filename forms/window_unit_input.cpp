// The window unit's pre-translation of its units' input: focus movement by the navigation
// keys, Esc and F1, and the common mouse and key events.
#include <string>

#include "forms/form_registry.h"
#include "forms/key_translation.h"
#include "forms/window_unit.h"
#include "runtime/kernel.h"

namespace kv::forms {
namespace {

int32_t KeyStateBits() {
    int32_t bits = 0;
    if (GetKeyState(VK_CONTROL) < 0) bits |= 1;
    if (GetKeyState(VK_SHIFT) < 0) bits |= 2;
    if (GetKeyState(VK_MENU) < 0) bits |= 4;
    return bits;
}

Modifiers CurrentModifiers() {
    return {GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_MENU) < 0};
}

// The help file: the property, or the program's own name with the extension "hlp".
std::string HelpFile(const std::string& property) {
    if (!property.empty()) return property;
    std::string name = ProgramFileName() ? ProgramFileName() : "";
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.resize(dot);
    std::string directory = ProgramDirectory() ? ProgramDirectory() : "";
    return (directory.empty() ? "" : directory + "\\") + name + ".hlp";
}

}  // namespace

HWND WindowUnit::FormUnitAt(HWND target, uint32_t* unitId) const {
    FormTemplate* form = Forms().Find(formId());
    if (!form || form->units.empty()) return nullptr;
    if (target == handle()) {
        *unitId = form->units[0].id;
        return target;
    }
    for (size_t i = 1; i < form->units.size(); ++i) {
        const UnitEntry& entry = form->units[i];
        if (!entry.IsMenuItem() && UnitWindow(entry.object) == target) {
            *unitId = entry.id;
            return target;
        }
    }
    for (size_t i = 1; i < form->units.size(); ++i) {
        const UnitEntry& entry = form->units[i];
        HWND w = entry.IsMenuItem() ? nullptr : UnitWindow(entry.object);
        const UnitTypeRecord* type = w ? TypeRecordOf(entry.type) : nullptr;
        if (type && (type->flags & typeflag::kHitTestsChildren) && IsChild(w, target)) {
            *unitId = entry.id;
            return w;
        }
    }
    return nullptr;
}

void WindowUnit::MoveFocus(bool backward) {
    HWND h = handle();
    HWND focus = GetFocus();
    HWND next = GetNextDlgTabItem(h, focus && IsChild(h, focus) ? focus : nullptr, backward);
    if (next) SetFocus(next);
}

bool WindowUnit::HandleNavigationKey(MSG* message) {
    HWND h = handle();
    switch (message->wParam) {
        case VK_TAB:
            MoveFocus(GetKeyState(VK_SHIFT) < 0);
            return true;
        case VK_RETURN: {
            if (!props_.enterMovesFocus) return false;
            HWND focus = GetFocus();
            if (focus && (SendMessageA(focus, WM_GETDLGCODE, VK_RETURN, LPARAM(message)) &
                          (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE))) {
                return false;  // the unit takes Enter itself
            }
            MoveFocus(false);
            return true;
        }
        case VK_ESCAPE:
            if (!props_.escCloses) return false;
            SendMessageA(h, WM_CLOSE, 0, 0);
            return true;
        case VK_F1: {
            if (!props_.f1Help) return false;
            std::string file = HelpFile(props_.helpFile);
            WinHelpA(h, file.c_str(), props_.helpContext ? HELP_CONTEXT : HELP_FINDER,
                     ULONG_PTR(props_.helpContext));
            helpOpened_ = true;
            return true;
        }
        case VK_LEFT:
        case VK_UP:
            MoveFocus(true);
            return true;
        case VK_RIGHT:
        case VK_DOWN:
            MoveFocus(false);
            return true;
        default:
            return false;
    }
}

bool WindowUnit::RaiseCommonEvent(MSG* message) {
    uint32_t unitId = 0;
    if (!FormUnitAt(message->hwnd, &unitId)) return false;
    const UINT m = message->message;
    const uint32_t x = LOWORD(message->lParam), y = HIWORD(message->lParam);
    int32_t event;
    uint32_t args[3] = {};
    size_t count = 0;
    switch (m) {
        case WM_LBUTTONDOWN:
            event = -1;
            break;
        case WM_LBUTTONUP:
            event = -2;
            break;
        case WM_LBUTTONDBLCLK:
            event = -3;
            break;
        case WM_RBUTTONDOWN:
            event = -4;
            break;
        case WM_RBUTTONUP:
            event = -5;
            break;
        case WM_MOUSEMOVE:
            event = -6;
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            uint16_t key = TranslateKey(uint32_t(message->wParam), CurrentModifiers());
            event = (m == WM_KEYDOWN || m == WM_SYSKEYDOWN) ? -9 : -10;
            args[0] = uint32_t(KeyCode(key));
            args[1] = uint32_t(ShiftState(key));
            count = 2;
            break;
        }
        case WM_CHAR:
            event = -11;
            args[0] = uint32_t(message->wParam);
            count = 1;
            break;
        case WM_MOUSEWHEEL:
            event = -12;
            args[0] = uint32_t(int32_t(int16_t(HIWORD(message->wParam))) / 120);
            args[1] = uint32_t(KeyStateBits());
            count = 2;
            break;
        default:
            return false;
    }
    if (event >= -6) {
        args[0] = x, args[1] = y, args[2] = uint32_t(KeyStateBits());
        count = 3;
    }
    HWND h = handle();
    EventOutcome outcome = RaiseEvent(formId(), unitId, event, args, count);
    if (!StillAlive(h, this)) return true;
    if (!outcome.ran || !outcome.hasValue) return false;
    if (m == WM_CHAR) {
        if (outcome.value == 0) return true;
        message->wParam = WPARAM(uint32_t(outcome.value));
        return false;
    }
    return outcome.value == 0;
}

bool WindowUnit::PreTranslateMessage(MSG* message) {
    HWND h = handle();
    HWND target = message->hwnd;
    if (!h || !target || (target != h && !IsChild(h, target))) return false;
    const UINT m = message->message;
    bool key = m >= WM_KEYFIRST && m <= 0x108;
    bool mouse = (m >= WM_MOUSEMOVE && m <= WM_RBUTTONUP) || m == WM_MOUSEWHEEL;
    if (!key && !mouse) return false;
    if (key && !IsWindowEnabled(target)) return false;
    if (m == WM_KEYDOWN && HandleNavigationKey(message)) return true;
    return RaiseCommonEvent(message);
}

}  // namespace kv::forms
