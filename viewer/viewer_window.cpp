#include "viewer/viewer_window.h"

#include <shlwapi.h>

#include "app/timing_trace.h"
#include "viewer/command_line.h"
#include "viewer/picture.h"

namespace kv::viewer {
namespace {

const wchar_t kFrameClass[] = L"Photo_Lightweight_Viewer";
const wchar_t kCanvasClass[] = L"Photos_PhotoCanvas";
const wchar_t kPaneClass[] = L"Photos_NavigationPane";
const wchar_t kPaneTitle[] = L"导航窗格";
const wchar_t kTitleSuffix[] = L" - Windows 照片查看器";
const wchar_t kCannotShow[] = L"无法显示此格式的图片";

const COLORREF kCanvasColour = RGB(235, 238, 242);
const COLORREF kPaneColour = RGB(214, 222, 232);
const COLORREF kTextColour = RGB(60, 60, 60);

// Posted to the frame by the loading thread once the picture is loaded, or could not be.
constexpr UINT kPictureLoaded = WM_APP + 1;

// What the windows of one viewer share; lives on RunViewer's stack for the whole loop.
// The picture belongs to the loading thread until the frame hears that it is loaded.
struct ViewerState {
    Picture picture;
    bool loading = true;
    const wchar_t* path = nullptr;
    const wchar_t* fileName = nullptr;
    HWND frame = nullptr;
    HWND canvas = nullptr;
    HWND pane = nullptr;
};

ViewerState* StateOf(HWND window) {
    return reinterpret_cast<ViewerState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void KeepState(HWND window, LPARAM createParams) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(createParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
}

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// out = first + second + third, cut to fit outChars.
void JoinTexts(wchar_t* out, int outChars, const wchar_t* first, const wchar_t* second,
               const wchar_t* third) {
    lstrcpynW(out, first, outChars);
    int used = lstrlenW(out);
    lstrcpynW(out + used, second, outChars - used);
    used = lstrlenW(out);
    lstrcpynW(out + used, third, outChars - used);
}

void FillWith(HDC dc, const RECT& area, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

// The canvas says which file it cannot show rather than staying blank.
void DrawCannotShow(HDC dc, const RECT& area, const wchar_t* fileName) {
    wchar_t message[kMaxPathChars + ARRAYSIZE(kCannotShow)];
    JoinTexts(message, ARRAYSIZE(message), fileName, L"\n", kCannotShow);
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    HFONT font = nullptr;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        font = CreateFontIndirectW(&metrics.lfMessageFont);
    }
    HGDIOBJ previous = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kTextColour);
    RECT measured = area;
    DrawTextW(dc, message, -1, &measured, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
    RECT placed = area;
    placed.top += ((area.bottom - area.top) - (measured.bottom - measured.top)) / 2;
    DrawTextW(dc, message, -1, &placed, DT_CENTER | DT_WORDBREAK);
    SelectObject(dc, previous);
    if (font) DeleteObject(font);
}

LRESULT CALLBACK CanvasProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE:
            KeepState(window, lParam);
            break;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT area;
            GetClientRect(window, &area);
            FillWith(dc, area, kCanvasColour);
            ViewerState* state = StateOf(window);
            if (state && !state->loading) {
                if (state->picture.loaded()) {
                    state->picture.Draw(dc, area);
                } else {
                    DrawCannotShow(dc, area, state->fileName);
                }
            }
            EndPaint(window, &paint);
            return 0;
        }
        case WM_SIZE:
            // The fitted image moves with every size change.
            InvalidateRect(window, nullptr, FALSE);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK PaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        RECT area;
        GetClientRect(window, &area);
        FillWith(reinterpret_cast<HDC>(wParam), area, kPaneColour);
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Canvas above, pane along the bottom edge, both as wide as the frame's client area.
void LayOut(const ViewerState& state, int width, int height) {
    const int paneHeight = height < kNavigationPaneHeight ? height : kNavigationPaneHeight;
    MoveWindow(state.canvas, 0, 0, width, height - paneHeight, TRUE);
    MoveWindow(state.pane, 0, height - paneHeight, width, paneHeight, TRUE);
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE:
            KeepState(window, lParam);
            break;
        case WM_CREATE: {
            ViewerState* state = StateOf(window);
            const HINSTANCE module = ThisModule();
            const DWORD childStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
            state->canvas = CreateWindowExW(0, kCanvasClass, L"", childStyle, 0, 0, 0, 0, window,
                                            nullptr, module, state);
            state->pane = CreateWindowExW(0, kPaneClass, kPaneTitle, childStyle, 0, 0, 0, 0, window,
                                          nullptr, module, state);
            return state->canvas && state->pane ? 0 : -1;
        }
        case WM_SIZE:
            if (ViewerState* state = StateOf(window)) {
                LayOut(*state, LOWORD(lParam), HIWORD(lParam));
            }
            return 0;
        case kPictureLoaded:
            if (ViewerState* state = StateOf(window)) {
                state->loading = false;
                InvalidateRect(state->canvas, nullptr, FALSE);
                UpdateWindow(state->canvas);
                app::TraceStep("picture shown");
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Registers the three window classes for the duration of one viewer and removes them
// afterwards, so that the library can be unloaded.
class WindowClasses {
  public:
    explicit WindowClasses(HINSTANCE module) : module_(module) {
        ok_ = Register(kFrameClass, FrameProc) && Register(kCanvasClass, CanvasProc) &&
              Register(kPaneClass, PaneProc);
    }
    ~WindowClasses() {
        UnregisterClassW(kPaneClass, module_);
        UnregisterClassW(kCanvasClass, module_);
        UnregisterClassW(kFrameClass, module_);
    }
    WindowClasses(const WindowClasses&) = delete;
    WindowClasses& operator=(const WindowClasses&) = delete;
    bool ok() const { return ok_; }

  private:
    bool Register(const wchar_t* name, WNDPROC procedure) {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = module_;
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.lpszClassName = name;
        // Another viewer running in this process has registered them already.
        return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }

    HINSTANCE module_;
    bool ok_ = false;
};

bool IsExistingFile(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Three quarters of the work area, centred.
RECT InitialFrameRect() {
    RECT work;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        work = RECT{0, 0, 1024, 768};
    }
    const int width = (work.right - work.left) * 3 / 4;
    const int height = (work.bottom - work.top) * 3 / 4;
    RECT frame;
    frame.left = work.left + (work.right - work.left - width) / 2;
    frame.top = work.top + (work.bottom - work.top - height) / 2;
    frame.right = frame.left + width;
    frame.bottom = frame.top + height;
    return frame;
}

// The loading thread: a large picture takes a while to read, and the frame is shown and
// answers meanwhile.
DWORD WINAPI LoadPicture(void* parameter) {
    auto* state = static_cast<ViewerState*>(parameter);
    state->picture.Load(state->path);
    app::TraceStep("picture loaded");
    PostMessageW(state->frame, kPictureLoaded, 0, 0);
    return 0;
}

}  // namespace

void RunViewer(const wchar_t* path, int showCommand) {
    app::TraceStep("viewer entry");
    if (!IsExistingFile(path)) return;
    const HINSTANCE module = ThisModule();
    WindowClasses classes(module);
    if (!classes.ok()) return;

    ViewerState state;
    state.path = path;
    state.fileName = PathFindFileNameW(path);

    wchar_t title[kMaxPathChars + ARRAYSIZE(kTitleSuffix)];
    JoinTexts(title, ARRAYSIZE(title), state.fileName, L"", kTitleSuffix);
    const RECT frame = InitialFrameRect();
    HWND window = CreateWindowExW(0, kFrameClass, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  frame.left, frame.top, frame.right - frame.left,
                                  frame.bottom - frame.top, nullptr, nullptr, module, &state);
    if (window == nullptr) return;
    // The title comes last: whoever finds the frame by its title finds canvas and pane too.
    SetWindowTextW(window, title);
    app::TraceStep("viewer titled");
    // A viewer that nobody can see would only wait forever: it never starts hidden.
    ShowWindow(window, showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand);
    UpdateWindow(window);
    app::TraceStep("viewer shown");
    state.frame = window;
    HANDLE loader = CreateThread(nullptr, 0, LoadPicture, &state, 0, nullptr);
    if (loader == nullptr) LoadPicture(&state);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (loader != nullptr) {
        WaitForSingleObject(loader, INFINITE);
        CloseHandle(loader);
    }
}

}  // namespace kv::viewer
