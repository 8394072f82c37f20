#include "tests/e2e/driver/message_box.h"

#include "tests/e2e/driver/polling.h"
#include "tests/e2e/driver/window_query.h"

namespace kv::e2e {
namespace {

// A message box shows its icon in a static control of the icon type; a box without one may
// keep the control, empty.
bool ShowsIcon(HWND dialog) {
    for (HWND child : ChildWindows(dialog)) {
        const WindowInfo info = DescribeWindow(child);
        if (!info.visible || info.className != "Static" || (info.style & SS_TYPEMASK) != SS_ICON) {
            continue;
        }
        DWORD_PTR icon = 0;
        if (SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 1000, &icon) &&
            icon != 0) {
            return true;
        }
    }
    return false;
}

MessageBoxInfo ReadMessageBox(HWND dialog) {
    MessageBoxInfo info;
    info.dialog = dialog;
    info.caption = TitleOf(dialog);
    if (HWND text = GetDlgItem(dialog, kMessageTextId)) info.text = TitleOf(text);
    info.owner = GetWindow(dialog, GW_OWNER);
    info.hasIcon = ShowsIcon(dialog);
    return info;
}

}  // namespace

std::optional<MessageBoxInfo> FindMessageBox(DWORD processId) {
    for (HWND window : TopWindowsOfProcess(processId)) {
        if (IsWindowVisible(window) && ClassNameOf(window) == "#32770") {
            return ReadMessageBox(window);
        }
    }
    return std::nullopt;
}

std::optional<MessageBoxInfo> WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
    std::optional<MessageBoxInfo> found;
    WaitUntil(timeoutMs, [&] {
        found = FindMessageBox(processId);
        return found.has_value();
    });
    return found;
}

bool PressMessageBoxButton(HWND dialog, int buttonId) {
    HWND button = GetDlgItem(dialog, buttonId);
    if (button == nullptr) return false;
    // The dialog reacts to the button's notification exactly as to a mouse click.
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                        reinterpret_cast<LPARAM>(button)) != FALSE;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
    return WaitUntil(timeoutMs, [&] { return !IsWindow(window); });
}

}  // namespace kv::e2e
