#include "tests/win/corelib/box_watcher.h"

#include "tests/support/msgbox_reader.h"

namespace kv::test {
namespace {

constexpr DWORD kWaitMs = 10000;

BOOL CALLBACK FindIcon(HWND child, LPARAM seenAddress) {
    auto* seen = reinterpret_cast<MessageBoxSeen*>(seenAddress);
    char className[16] = {};
    GetClassNameA(child, className, sizeof(className));
    if (lstrcmpiA(className, "Static") == 0 &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        seen->stopIcon = icon && icon == LoadIconA(nullptr, IDI_HAND);
    }
    return TRUE;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(int button, HWND watched)
    : thread_([this, button, watched] { Run(button, watched); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    if (thread_.joinable()) thread_.join();
}

MessageBoxSeen MessageBoxWatcher::Result() {
    if (thread_.joinable()) thread_.join();
    return seen_;
}

void MessageBoxWatcher::Run(int button, HWND watched) {
    HWND box = WaitForMessageBox(GetCurrentProcessId(), kWaitMs);
    if (!box) return;
    seen_.found = true;
    seen_.caption = DialogCaption(box);
    seen_.text = MessageBoxText(box);
    EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&seen_));
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO, IDHELP, IDTRYAGAIN,
                   IDCONTINUE}) {
        HWND item = GetDlgItem(box, id);
        if (item && IsWindowVisible(item)) seen_.buttons.push_back(id);
    }
    seen_.owner = GetWindow(box, GW_OWNER);
    if (watched) seen_.watchedEnabled = IsWindowEnabled(watched) != 0;
    PressDialogButton(box, button);
}

}  // namespace kv::test
