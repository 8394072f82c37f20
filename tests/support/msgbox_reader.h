// Reads the message boxes of another process as a user sees them: finds the process's
// dialog (class "#32770"), reads its caption and text, presses a button.
#pragma once

#include <windows.h>

#include <string>

namespace kv::test {

// The first visible "#32770" dialog of process `processId`, waiting up to `timeoutMs`; null
// when none appears in time.
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs);
// Caption and message text (the static control 0xFFFF), as ANSI (GBK) bytes.
std::string DialogCaption(HWND dialog);
std::string MessageBoxText(HWND dialog);
// Clicks the dialog's button `id` (IDOK = 1); false when there is no such button.
bool PressDialogButton(HWND dialog, int id);

}  // namespace kv::test
