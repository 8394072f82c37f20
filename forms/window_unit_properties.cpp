// The window unit's own properties: reading them and writing them through to the window.
#include "forms/form_registry.h"
#include "forms/property_clamps.h"
#include "forms/window_unit.h"

namespace kv::forms {

int32_t WindowUnit::SetProperty(int32_t own, const UnitValue& value) {
    HWND h = handle();
    int32_t n = int32_t(value.number);
    switch (own) {
        case 0:
            props_.title = TextOf(value);
            SetWindowTextA(h, props_.title.c_str());
            ResyncFrame(kCaptionBits, 0);
            break;
        case 1:
            props_.border = ClampRange(n, 0, 6);
            ResyncFrame(kCaptionBits | kFrameBits, kFrameExBits);
            break;
        case 2:
            props_.backColor = uint32_t(n);
            InvalidateRect(h, nullptr, TRUE);
            break;
        case 3:
            props_.picture = BytesOf(value);
            InvalidateRect(h, nullptr, TRUE);
            break;
        case 4:
            props_.pictureMode = ClampRange(n, 0, 3);
            if (!props_.picture.empty()) InvalidateRect(h, nullptr, TRUE);
            break;
        case 5:
            props_.sound = BytesOf(value);
            break;
        case 6:
            props_.playCount = ClampRange(n, 0, 2);
            break;
        case 7:
        case 8:
        case 9:
            (own == 7 ? props_.controlBox : own == 8 ? props_.maxButton : props_.minButton) = n;
            ResyncFrame(kCaptionBits, 0);
            break;
        case 10:
            props_.position = ClampRange(n, 0, 3);
            if (IsWindowVisible(h)) {
                if (props_.position == 0) {
                    ShowWindow(h, SW_SHOWNORMAL);
                } else if (props_.position == 1) {
                    if (IsIconic(h) || IsZoomed(h)) ShowWindow(h, SW_RESTORE);
                    RECT r;
                    GetWindowRect(h, &r);
                    SetWindowPos(h, nullptr,
                                 (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2,
                                 (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 0, 0,
                                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                } else {
                    ShowWindow(h, props_.position == 2 ? SW_MINIMIZE : SW_MAXIMIZE);
                }
            }
            break;
        case 11:
            props_.movable = n;
            ApplySystemMenu();
            break;
        case 12:
            props_.icon = BytesOf(value);
            break;
        case 13:
            props_.enterMovesFocus = n;
            break;
        case 14:
            props_.escCloses = n;
            break;
        case 15:
            props_.f1Help = n;
            break;
        case 16:
            props_.helpFile = TextOf(value);
            break;
        case 17:
            props_.helpContext = n;
            break;
        case 18:
            props_.showInTaskbar = n;
            break;
        case 19:
            props_.moveByAnyPoint = n;
            break;
        case 20:
            props_.shape = ClampRange(n, 0, 29);
            break;
        case 21:
            props_.alwaysOnTop = n;
            SetWindowPos(h, n ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            if (!n) {
                for (WindowUnit* other : LoadedWindows()) {
                    if (other == this || !other->props_.alwaysOnTop || other->props_.showInTaskbar)
                        continue;
                    SetWindowPos(other->handle(), HWND_TOPMOST, 0, 0, 0, 0,
                                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                }
            }
            break;
        case 22:
            props_.property30 = n;
            break;
        case 23:
            props_.className = TextOf(value);
            break;
        default:
            break;
    }
    return 0;
}

int32_t WindowUnit::GetProperty(int32_t own, UnitValue* out) {
    const WindowProperties& p = props_;
    switch (own) {
        case 0:
            SetText(p.title, out);
            break;
        case 1:
            out->number = p.border;
            break;
        case 2:
            out->number = int32_t(p.backColor);
            break;
        case 3:
            SetBytes(p.picture, out);
            break;
        case 4:
            out->number = p.pictureMode;
            break;
        case 5:
            SetBytes(p.sound, out);
            break;
        case 6:
            out->number = p.playCount;
            break;
        case 7:
            out->number = p.controlBox;
            break;
        case 8:
            out->number = p.maxButton;
            break;
        case 9:
            out->number = p.minButton;
            break;
        case 10:
            out->number = IsIconic(handle()) ? 2 : IsZoomed(handle()) ? 3 : 0;
            break;
        case 11:
            out->number = p.movable;
            break;
        case 12:
            SetBytes(p.icon, out);
            break;
        case 13:
            out->number = p.enterMovesFocus;
            break;
        case 14:
            out->number = p.escCloses;
            break;
        case 15:
            out->number = p.f1Help;
            break;
        case 16:
            SetText(p.helpFile, out);
            break;
        case 17:
            out->number = p.helpContext;
            break;
        case 18:
            out->number = p.showInTaskbar;
            break;
        case 19:
            out->number = p.moveByAnyPoint;
            break;
        case 20:
            out->number = p.shape;
            break;
        case 21:
            out->number = p.alwaysOnTop;
            break;
        case 22:
            out->number = p.property30;
            break;
        case 23:
            SetText(p.className, out);
            break;
        default:
            return 0;
    }
    return 1;
}

}  // namespace kv::forms
