// Window objects of the GUI framework: a C++ object attached to a window handle, with a
// handle-to-object map and message dispatch through a virtual window procedure. Windows of
// system classes (e.g. "BUTTON") are attached by subclassing.
#pragma once

#include <windows.h>

namespace kv::fw {

class Window {
  public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND handle() const { return handle_; }
    // The object attached to a handle, or null.
    static Window* FromHandle(HWND window);

    // Creates the window and attaches this object to it (for its whole life, including
    // WM_NCCREATE onwards for classes registered through RegisterClass below).
    bool Create(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                int width, int height, HWND parent, HMENU menuOrId);
    // Attaches this object to an existing window by subclassing it.
    bool Attach(HWND window);

    // Offered each message before dispatch (by the application's pre-translation); true
    // consumes it.
    virtual bool PreTranslateMessage(MSG* message);

    // Registers a window class whose windows dispatch to their attached objects.
    static bool RegisterClass(const char* className, UINT style, HCURSOR cursor, HBRUSH background,
                              HICON icon = nullptr);

  protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The processing the window would get without this object.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after the last message (WM_NCDESTROY), once the handle is detached.
    virtual void OnFinalDestroy() {}
    // A WM_COMMAND notification that the parent received from this window, reflected back
    // to it; true when handled.
    virtual bool OnReflectedCommand(UINT notifyCode) { return (void)notifyCode, false; }

  private:
    static LRESULT CALLBACK Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND handle_ = nullptr;
    WNDPROC previous_ = nullptr;
};

}  // namespace kv::fw
