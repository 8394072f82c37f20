#include "forms/button_unit.h"

#include <cstring>

#include "forms/font_block.h"
#include "forms/property_clamps.h"

namespace kv::forms {
namespace {

constexpr DWORD kButtonTypeMask = 0x1F;
constexpr DWORD kHorizontalMask = 0x300;
constexpr DWORD kVerticalMask = 0xC00;
constexpr DWORD kChildBits = WS_CHILD | WS_CLIPSIBLINGS | BS_MULTILINE;  // 0x44002000

DWORD HorizontalBits(int32_t align) {
    return align == 0 ? BS_LEFT : align == 2 ? BS_RIGHT : BS_CENTER;
}
DWORD VerticalBits(int32_t align) {
    return align == 0 ? BS_TOP : align == 2 ? BS_BOTTOM : BS_VCENTER;
}

}  // namespace

void* KV_STDCALL ButtonUnit::CreateUnit(const uint8_t* data, uint32_t length, uint32_t style,
                                        HWND parent, uint32_t controlId, HMENU, int32_t left,
                                        int32_t top, int32_t width, int32_t height, uint32_t formId,
                                        uint32_t unitId, uint32_t, uint32_t) {
    auto* button = new ButtonUnit(formId, unitId);
    const ButtonProperties& p = button->props_;
    if (!button->props_.Load(data, length)) {
        delete button;
        return nullptr;
    }
    DWORD buttonStyle = style;
    if (p.type == 1) buttonStyle |= BS_DEFPUSHBUTTON;
    buttonStyle |= HorizontalBits(p.horizontalAlign) | VerticalBits(p.verticalAlign);
    if (!button->Create(0, "BUTTON", p.caption.c_str(), buttonStyle | kChildBits, left, top, width,
                        height, parent, reinterpret_cast<HMENU>(uintptr_t(controlId)))) {
        delete button;
        return nullptr;
    }
    button->ApplyFont();
    return button;
}

ButtonUnit::~ButtonUnit() {
    if (font_) DeleteObject(font_);
}

void ButtonUnit::ApplyFont() {
    HFONT created = nullptr;
    FontBlock block;
    if (FontFromBytes(props_.font, &block)) {
        LOGFONTA font;
        static_assert(sizeof font == sizeof block, "a font block is a LOGFONTA");
        std::memcpy(&font, &block, sizeof font);
        font.lfCharSet = DEFAULT_CHARSET;
        font.lfOutPrecision = 0;
        font.lfClipPrecision = 0;
        font.lfQuality = PROOF_QUALITY;
        font.lfPitchAndFamily = 0;
        font.lfFaceName[sizeof font.lfFaceName - 1] = '\0';
        created = CreateFontIndirectA(&font);
    }
    HGDIOBJ use = created ? static_cast<HGDIOBJ>(created) : GetStockObject(DEFAULT_GUI_FONT);
    SendMessageA(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(use), TRUE);
    if (font_) DeleteObject(font_);
    font_ = created;
}

void ButtonUnit::ReplaceStyle(DWORD mask, DWORD bits) {
    HWND h = handle();
    DWORD style = DWORD(GetWindowLongA(h, GWL_STYLE));
    SetWindowLongA(h, GWL_STYLE, LONG((style & ~mask) | bits));
}

bool ButtonUnit::IsDefault() const {
    return (DWORD(GetWindowLongA(handle(), GWL_STYLE)) & kButtonTypeMask) == BS_DEFPUSHBUTTON;
}

int32_t ButtonUnit::SetProperty(int32_t own, const UnitValue& value) {
    HWND h = handle();
    int32_t n = int32_t(value.number);
    switch (own) {
        case 0:
            props_.picture = BytesOf(value);
            return 1;  // the picture shows only in a button created with it
        case 1: {
            props_.type = ClampRange(n, 0, 1);
            DWORD type = DWORD(GetWindowLongA(h, GWL_STYLE)) & kButtonTypeMask;
            if (props_.type == 1 && type == BS_PUSHBUTTON) {
                ReplaceStyle(kButtonTypeMask, BS_DEFPUSHBUTTON);
            } else if (props_.type == 0 && type == BS_DEFPUSHBUTTON) {
                ReplaceStyle(kButtonTypeMask, BS_PUSHBUTTON);
            }
            SetWindowPos(h, nullptr, 0, 0, 0, 0, 55);
            InvalidateRect(h, nullptr, TRUE);
            break;
        }
        case 2:
            props_.caption = TextOf(value);
            SetWindowTextA(h, props_.caption.c_str());
            break;
        case 3:
            props_.horizontalAlign = ClampRange(n, 0, 2);
            ReplaceStyle(kHorizontalMask, HorizontalBits(props_.horizontalAlign));
            InvalidateRect(h, nullptr, TRUE);
            break;
        case 4:
            props_.verticalAlign = ClampRange(n, 0, 2);
            ReplaceStyle(kVerticalMask, VerticalBits(props_.verticalAlign));
            InvalidateRect(h, nullptr, TRUE);
            break;
        case 5:
            props_.font = BytesOf(value);
            ApplyFont();
            break;
        default:
            break;
    }
    return 0;
}

int32_t ButtonUnit::GetProperty(int32_t own, UnitValue* out) {
    switch (own) {
        case 0:
            SetBytes(props_.picture, out);
            break;
        case 1:
            out->number = props_.type;
            break;
        case 2:
            SetText(props_.caption, out);
            break;
        case 3:
            out->number = props_.horizontalAlign;
            break;
        case 4:
            out->number = props_.verticalAlign;
            break;
        case 5:
            SetBytes(props_.font, out);
            break;
        default:
            return 0;
    }
    return 1;
}

LRESULT ButtonUnit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
        LRESULT result = Default(message, wParam, lParam);
        Raise(message == WM_SETFOCUS ? -7 : -8);
        return result;
    }
    return UnitObject::WindowProc(message, wParam, lParam);
}

bool ButtonUnit::OnReflectedCommand(UINT notifyCode) {
    if (notifyCode != BN_CLICKED) return false;
    Raise(0);
    return true;
}

}  // namespace kv::forms
