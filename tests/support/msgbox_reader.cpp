#include "tests/support/msgbox_reader.h"

#include <cstring>

namespace kv::test {
namespace {
struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (process == search->processId && std::strcmp(className, "#32770") == 0 &&
        IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

std::string Text(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(size_t(length) + 1, '\0');
    text.resize(size_t(GetWindowTextA(window, text.data(), length + 1)));
    return text;
}
}  // namespace

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        Search search{processId, nullptr};
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        Sleep(50);
    }
}

std::string DialogCaption(HWND dialog) {
    return Text(dialog);
}

std::string MessageBoxText(HWND dialog) {
    HWND text = GetDlgItem(dialog, 0xFFFF);
    return text ? Text(text) : std::string();
}

bool PressDialogButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (!button) return false;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return true;
}

}  // namespace kv::test
