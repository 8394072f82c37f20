#include "framework/window.h"

#include <unordered_map>

namespace kv::fw {
namespace {

// All windows live on the one user-interface thread.
std::unordered_map<HWND, Window*>& HandleMap() {
    static std::unordered_map<HWND, Window*> map;
    return map;
}

// The object being created through Create; attached at the first message of its window.
Window* creating = nullptr;

HINSTANCE Instance() {
    return GetModuleHandleA(nullptr);
}

}  // namespace

Window::~Window() {
    if (!handle_) return;
    HWND window = handle_;
    HandleMap().erase(window);
    if (previous_) SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    handle_ = nullptr;
    DestroyWindow(window);
}

Window* Window::FromHandle(HWND window) {
    auto it = HandleMap().find(window);
    return it == HandleMap().end() ? nullptr : it->second;
}

bool Window::Create(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU menuOrId) {
    WNDCLASSA info;
    bool ownClass = GetClassInfoA(Instance(), className, &info) && info.lpfnWndProc == Dispatch;
    if (ownClass) creating = this;
    HWND window = CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent,
                                  menuOrId, Instance(), nullptr);
    if (ownClass) {
        creating = nullptr;
        return window != nullptr && handle_ == window;
    }
    return window && Attach(window);
}

bool Window::Attach(HWND window) {
    if (!window || handle_ || FromHandle(window)) return false;
    handle_ = window;
    HandleMap()[window] = this;
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Dispatch)));
    return true;
}

bool Window::PreTranslateMessage(MSG*) {
    return false;
}

bool Window::RegisterClass(const char* className, UINT style, HCURSOR cursor, HBRUSH background,
                           HICON icon) {
    WNDCLASSA info;
    if (GetClassInfoA(Instance(), className, &info)) return true;
    info = {};
    info.style = style;
    info.lpfnWndProc = Dispatch;
    info.hInstance = Instance();
    info.hIcon = icon;
    info.hCursor = cursor;
    info.hbrBackground = background;
    info.lpszClassName = className;
    return ::RegisterClassA(&info) != 0;
}

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && lParam) {
        Window* child = FromHandle(reinterpret_cast<HWND>(lParam));
        if (child && child->OnReflectedCommand(HIWORD(wParam))) return 0;
    }
    return Default(message, wParam, lParam);
}

LRESULT Window::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    if (previous_) return CallWindowProcA(previous_, handle_, message, wParam, lParam);
    return DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT CALLBACK Window::Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* object = FromHandle(window);
    if (!object && creating) {
        object = creating;
        creating = nullptr;
        object->handle_ = window;
        HandleMap()[window] = object;
    }
    if (!object) return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = object->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        HandleMap().erase(window);
        if (object->previous_) {
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(object->previous_));
        }
        object->handle_ = nullptr;
        object->previous_ = nullptr;
        object->OnFinalDestroy();
    }
    return result;
}

}  // namespace kv::fw
