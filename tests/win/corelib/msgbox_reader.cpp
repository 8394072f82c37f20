#include "tests/win/corelib/msgbox_reader.h"

namespace kv::test {
namespace {

constexpr int kPollMs = 20;
constexpr int kPolls = 500;

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = {};
    GetClassNameA(window, className, sizeof(className));
    if (process == GetCurrentProcessId() && std::string(className) == "#32770" &&
        IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK ReadStatic(HWND child, LPARAM seenAddress) {
    auto* seen = reinterpret_cast<MessageBoxSeen*>(seenAddress);
    char className[16] = {};
    GetClassNameA(child, className, sizeof(className));
    if (lstrcmpiA(className, "Static") != 0) return TRUE;
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        seen->stopIcon = icon && icon == LoadIconA(nullptr, IDI_HAND);
        return TRUE;
    }
    char text[512] = {};
    GetWindowTextA(child, text, sizeof(text));
    if (text[0]) seen->text = text;
    return TRUE;
}

}  // namespace

MessageBoxReader::MessageBoxReader(int button, HWND watched)
    : thread_([this, button, watched] { Run(button, watched); }) {}

MessageBoxReader::~MessageBoxReader() {
    if (thread_.joinable()) thread_.join();
}

MessageBoxSeen MessageBoxReader::Result() {
    if (thread_.joinable()) thread_.join();
    return seen_;
}

void MessageBoxReader::Run(int button, HWND watched) {
    HWND box = nullptr;
    for (int i = 0; i < kPolls && !box; ++i) {
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
        if (!box) Sleep(kPollMs);
    }
    if (!box) return;
    seen_.found = true;
    char caption[256] = {};
    GetWindowTextA(box, caption, sizeof(caption));
    seen_.caption = caption;
    EnumChildWindows(box, ReadStatic, reinterpret_cast<LPARAM>(&seen_));
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO, IDHELP, IDTRYAGAIN,
                   IDCONTINUE}) {
        HWND item = GetDlgItem(box, id);
        if (item && IsWindowVisible(item)) seen_.buttons.push_back(id);
    }
    seen_.owner = GetWindow(box, GW_OWNER);
    if (watched) seen_.watchedEnabled = IsWindowEnabled(watched) != 0;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

}  // namespace kv::test
