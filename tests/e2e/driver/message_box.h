// Message boxes of a program under test: dialogs of class "#32770" owned by its process.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kv::e2e {

// The static control that holds a message box's text.
constexpr int kMessageTextId = 0xFFFF;

struct MessageBoxInfo {
    HWND dialog = nullptr;
    std::string caption;  // GBK bytes, as shown
    std::string text;     // GBK bytes, line breaks as the program gave them
    HWND owner = nullptr;
    bool hasIcon = false;  // a visible icon is shown beside the text
};

// A visible message box of the process, if one is showing now.
std::optional<MessageBoxInfo> FindMessageBox(DWORD processId);
// Waits up to timeoutMs for one.
std::optional<MessageBoxInfo> WaitForMessageBox(DWORD processId, DWORD timeoutMs);

// Presses the box's button with this id (IDOK, IDYES, IDNO, ...). False when the box has
// no such button.
bool PressMessageBoxButton(HWND dialog, int buttonId);

// Waits until the box is gone (closed by its program after a press).
bool WaitForWindowGone(HWND window, DWORD timeoutMs);

}  // namespace kv::e2e
