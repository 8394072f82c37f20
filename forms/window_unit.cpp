#include "forms/window_unit.h"

#include <string>

#include "forms/cursor_builder.h"
#include "forms/form_registry.h"
#include "forms/key_translation.h"
#include "forms/property_clamps.h"
#include "runtime/kernel.h"
#include "runtime/library.h"

namespace kv::forms {
namespace {

constexpr const char* kDefaultClassName = "ZorWindow";
// Caption, system menu and the two boxes: the bits kept in line with the properties.
constexpr DWORD kCaptionBits = 0x00CB0000;
// Dialog frame and sizing frame, replaced when the border changes.
constexpr DWORD kFrameBits = 0x00440000;
// Modal frame, tool window and client edge.
constexpr DWORD kFrameExBits = 0x00000281;
// No move, no size, no Z order, no activation, frame changed.
constexpr UINT kFrameChangedFlags = 55;

bool Sizable(int32_t border) {
    return border == 1 || border == 3 || border == 5;
}

// True while `self` is still the object of the window `window` (a handler may destroy it).
bool StillAlive(HWND window, const fw::Window* self) {
    return window && IsWindow(window) && fw::Window::FromHandle(window) == self;
}

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

bool& WindowUnit::CreatingModal() {
    static bool modal = false;
    return modal;
}

void* KV_STDCALL WindowUnit::CreateUnit(const uint8_t* data, uint32_t length, uint32_t style,
                                        HWND owner, uint32_t, HMENU menu, int32_t left, int32_t top,
                                        int32_t width, int32_t height, uint32_t formId,
                                        uint32_t unitId, uint32_t, uint32_t runMode) {
    auto* window = new WindowUnit(formId, unitId, runMode);
    WindowProperties& p = window->props_;
    if (!p.Load(data, length)) {
        delete window;
        return nullptr;
    }
    DWORD windowStyle = style | WS_CLIPCHILDREN | window->FrameStyle();
    if (p.position == 1) {
        left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    } else if (p.position == 2) {
        windowStyle |= WS_MINIMIZE;
    } else if (p.position == 3 && Sizable(p.border)) {
        windowStyle |= WS_MAXIMIZE;
    }
    HWND realOwner = owner;
    if (owner) {
        windowStyle = (windowStyle & 0x3FFFFFFF) | WS_POPUP;
    } else if (BuildKind() != 0 && (CreatingModal() || !p.showInTaskbar)) {
        realOwner = HiddenOwnerWindow();  // keeps the window off the taskbar
    }
    const char* className = p.className.empty() ? kDefaultClassName : p.className.c_str();
    if (!RegisterClass(className, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS,
                       LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)),
                       static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))) ||
        !window->Create(window->FrameExStyle(), className, p.title.c_str(), windowStyle, left, top,
                        width, height, realOwner, menu)) {
        delete window;
        return nullptr;
    }
    window->created_ = true;
    HWND h = window->handle();
    // Overlapped windows get a caption from the system whatever was asked: undo that.
    window->ResyncFrame(kCaptionBits, 0);
    RECT r;
    GetWindowRect(h, &r);
    if (r.right - r.left != width || r.bottom - r.top != height) {
        MoveWindow(h, r.left, r.top, width, height, TRUE);
    }
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    if (p.alwaysOnTop) {
        SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (!p.movable) window->ApplySystemMenu();
    return window;
}

DWORD WindowUnit::FrameStyle() const {
    DWORD style = 0;
    if (props_.border != 0) {
        if (!props_.title.empty() || props_.controlBox) style |= WS_CAPTION;
        if (props_.controlBox) style |= WS_SYSMENU;
        if (runMode_ == 0) style |= WS_DLGFRAME;
        if (Sizable(props_.border)) style |= WS_THICKFRAME;
    }
    if (props_.maxButton) style |= WS_MAXIMIZEBOX;
    if (props_.minButton) style |= WS_MINIMIZEBOX;
    return style;
}

DWORD WindowUnit::FrameExStyle() const {
    if (props_.border == 3 || props_.border == 4) return WS_EX_TOOLWINDOW;
    if (props_.border == 5 || props_.border == 6) return WS_EX_CLIENTEDGE;
    return 0;
}

void WindowUnit::ResyncFrame(DWORD styleMask, DWORD exMask) {
    HWND h = handle();
    if (!h) return;
    DWORD style = DWORD(GetWindowLongA(h, GWL_STYLE));
    DWORD ex = DWORD(GetWindowLongA(h, GWL_EXSTYLE));
    SetWindowLongA(h, GWL_STYLE, LONG((style & ~styleMask) | (FrameStyle() & styleMask)));
    if (exMask) SetWindowLongA(h, GWL_EXSTYLE, LONG((ex & ~exMask) | (FrameExStyle() & exMask)));
    SetWindowPos(h, nullptr, 0, 0, 0, 0, kFrameChangedFlags);
}

void WindowUnit::ApplySystemMenu() {
    HWND h = handle();
    GetSystemMenu(h, TRUE);  // back to the standard menu
    if (!props_.movable) {
        if (HMENU menu = GetSystemMenu(h, FALSE)) DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
    }
}

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

bool WindowUnit::ShowFromProgram() {
    HWND h = handle();
    if (shown_) {
        ShowWindow(h, SW_SHOW);
        return false;
    }
    shown_ = true;
    int command = SW_SHOW;
    if (!forced_ && BuildKind() != 0) {
        command = props_.position == 3   ? SW_SHOWMAXIMIZED
                  : props_.position == 2 ? SW_SHOWMINIMIZED
                                         : SW_SHOW;
    }
    // Showing raises events whose handlers may close the window and so delete this object.
    ShowWindow(h, command);
    if (!StillAlive(h, this)) return false;
    uint32_t unitId = 0;
    HWND focus = GetFocus();
    if (focus && FormUnitAt(focus, &unitId)) RaiseEvent(formId(), unitId, -7);
    return StillAlive(h, this);
}

void WindowUnit::RunModal() {
    const HWND h = handle();
    // The flag lives here, not in the object, which is deleted with its window.
    volatile bool running = true;
    modalRun_ = &running;
    CurrentModalForm() = formId();
    RunModalLoop(&running);
    // The loop also ends on the quit message, with the window still there.
    if (StillAlive(h, this)) modalRun_ = nullptr;
}

void WindowUnit::DisableOthersForModalRun() {
    const HWND h = handle();
    // EnableWindow dispatches focus events whose handlers may load or close windows, this
    // one included: work on a snapshot of the handles and skip windows that died.
    std::vector<HWND> others;
    for (WindowUnit* other : LoadedWindows()) {
        if (other != this) others.push_back(other->handle());
    }
    for (HWND o : others) {
        if (!o || !IsWindow(o) || GetParent(o) || !IsWindowEnabled(o)) continue;
        EnableWindow(o, FALSE);
        if (!StillAlive(h, this)) {
            // Gone, this window can no longer enable it again when it closes.
            EnableWindow(o, TRUE);
            return;
        }
        disabledWindows_.push_back(o);
    }
}

void WindowUnit::ReenableDisabledWindows() {
    for (HWND o : disabledWindows_) {
        if (IsWindow(o)) EnableWindow(o, TRUE);
    }
    disabledWindows_.clear();
}

bool WindowUnit::FireIdle(uint32_t elapsedMs) {
    EventOutcome outcome = Raise(7, {elapsedMs});
    return outcome.ran && outcome.hasValue && outcome.value != 0;
}

void WindowUnit::OnClose() {
    HWND h = handle();
    for (int32_t event : {12, 1}) {
        EventOutcome outcome = Raise(event);
        if (!StillAlive(h, this)) return;
        if (!forced_ && outcome.ran && outcome.hasValue && outcome.value == 0) return;
    }
    ReenableDisabledWindows();
    DestroyWindow(h);
}

void WindowUnit::OnActivate(bool active) {
    HWND h = handle();
    if (active && BuildKind() != 0 && !IsWindowEnabled(h)) {
        for (WindowUnit* other : LoadedWindows()) {
            HWND o = other->handle();
            if (other != this && other->modal_ && o && !GetParent(o) && IsWindowVisible(o) &&
                IsWindowEnabled(o)) {
                SetActiveWindow(o);
                return;
            }
        }
    }
    UpdateWindow(h);
    if (inActivation_) return;
    inActivation_ = true;
    if (active && !activatedOnce_) {
        activatedOnce_ = true;
        Raise(8);
        if (!StillAlive(h, this)) return;
    }
    Raise(active ? 5 : 6);
    if (!StillAlive(h, this)) return;
    inActivation_ = false;
    if (!active) {
        HWND focus = GetFocus();
        if (focus && IsChild(h, focus)) lastFocus_ = focus;
    } else if (lastFocus_ && IsWindow(lastFocus_) && IsChild(h, lastFocus_)) {
        SetFocus(lastFocus_);
    }
}

void WindowUnit::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(handle(), &ps);
    RECT clip;
    if (GetClipBox(dc, &clip) != NULLREGION) {
        COLORREF color = props_.backColor == kSystemButtonFace ? GetSysColor(COLOR_BTNFACE)
                                                               : COLORREF(props_.backColor);
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc, &ps.rcPaint, brush);
        DeleteObject(brush);
    }
    EndPaint(handle(), &ps);
}

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

LRESULT WindowUnit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND h = handle();
    switch (message) {
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_QUERYENDSESSION: {
            // Read before the event: its handler may destroy the window and this object.
            const bool forced = forced_;
            EventOutcome outcome = Raise(1);
            bool veto = !forced && outcome.ran && outcome.hasValue && outcome.value == 0;
            return veto ? FALSE : TRUE;
        }
        case WM_DESTROY: {
            LRESULT result = Default(message, wParam, lParam);
            Raise(2);
            if (helpOpened_) WinHelpA(h, nullptr, HELP_QUIT, 0);
            if (modalRun_) *modalRun_ = false;
            ReenableDisabledWindows();
            return result;
        }
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT fills the background
        case WM_MOVE: {
            LRESULT result = Default(message, wParam, lParam);
            Raise(3);
            return result;
        }
        case WM_SIZE: {
            LRESULT result = Default(message, wParam, lParam);
            Raise(4);
            return result;
        }
        case WM_ACTIVATE: {
            LRESULT result = Default(message, wParam, lParam);
            OnActivate(LOWORD(wParam) != WA_INACTIVE);
            return result;
        }
        case WM_SHOWWINDOW: {
            LRESULT result = Default(message, wParam, lParam);
            Raise(wParam ? 10 : 11);
            return result;
        }
        case WM_SETCURSOR: {
            FormTemplate* form = Forms().Find(formId());
            HWND under = reinterpret_cast<HWND>(wParam);
            if (form && LOWORD(lParam) == HTCLIENT) {
                for (const UnitEntry& entry : form->units) {
                    HWND w = entry.IsMenuItem() ? nullptr : UnitWindow(entry.object);
                    if (entry.cursor && w == under) {
                        SetCursor(static_cast<HCURSOR>(entry.cursor));
                        return TRUE;
                    }
                }
            }
            break;
        }
        case kMsgTrayIcon: {
            int32_t kind = lParam == WM_LBUTTONUP                                 ? 1
                           : lParam == WM_LBUTTONDBLCLK                           ? 2
                           : (lParam == WM_RBUTTONUP || lParam == WM_CONTEXTMENU) ? 3
                                                                                  : 0;
            if (kind) Raise(9, {uint32_t(kind)});
            return 0;
        }
        default:
            break;
    }
    return UnitObject::WindowProc(message, wParam, lParam);
}

void WindowUnit::OnFinalDestroy() {
    if (!created_) return;  // a failed creation: the create routine deletes the object
    if (FormTemplate* form = Forms().Find(formId())) {
        for (UnitEntry& entry : form->units) {
            DestroyUnitCursor(static_cast<HCURSOR>(entry.cursor));
            entry.cursor = nullptr;
        }
    }
    SystemNotify(sysnotify::kUnitDestroyed, intptr_t(formId()), intptr_t(unitId()));
    RemoveLoadedWindow(this);
    if (!AnyWindowLoaded() && MessageLoopEntered()) PostQuitMessage(0);
    delete this;
}

}  // namespace kv::forms
