// The window unit's creation, its frame styles, and the window messages it turns into events.
#include "forms/window_unit.h"

#include "forms/cursor_builder.h"
#include "forms/form_registry.h"
#include "runtime/kernel.h"
#include "runtime/library.h"

namespace kv::forms {
namespace {

constexpr const char* kDefaultClassName = "ZorWindow";
// No move, no size, no Z order, no activation, frame changed.
constexpr UINT kFrameChangedFlags = 55;

bool Sizable(int32_t border) {
    return border == 1 || border == 3 || border == 5;
}

}  // namespace

bool WindowUnit::StillAlive(HWND window, const WindowUnit* self) {
    return window && IsWindow(window) && fw::Window::FromHandle(window) == self;
}

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
