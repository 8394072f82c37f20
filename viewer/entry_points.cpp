// The library's exported entries. The full-screen and print entries follow rundll32's
// calling shape: (window, instance, command line, show command), where the command line is
// everything after the entry name. The unsuffixed and A forms take the active code page,
// the W forms UTF-16; rundll32 prefers the W form when it exists.
#include <windows.h>

#include "viewer/command_line.h"
#include "viewer/print_job.h"
#include "viewer/viewer_window.h"

namespace {

using kv::viewer::kMaxPathChars;

void ShowFromWide(const wchar_t* commandLine, int showCommand) {
    wchar_t path[kMaxPathChars];
    if (kv::viewer::ImagePathFromCommandLine(commandLine, path, kMaxPathChars)) {
        kv::viewer::RunViewer(path, showCommand);
    }
}

void ShowFromAnsi(const char* commandLine, int showCommand) {
    wchar_t wide[kMaxPathChars];
    if (kv::viewer::WidenCommandLine(commandLine, wide, kMaxPathChars)) {
        ShowFromWide(wide, showCommand);
    }
}

// The print command line is "/pt <file> <printer> [<driver> <port>]"; the leading switch
// may be left out. Driver and port are not needed to open the printer by name.
void PrintFromWide(const wchar_t* commandLine) {
    wchar_t argument[kMaxPathChars];
    const wchar_t* rest = kv::viewer::NextArgument(commandLine, argument, kMaxPathChars);
    if (rest != nullptr && lstrcmpiW(argument, L"/pt") == 0) {
        rest = kv::viewer::NextArgument(rest, argument, kMaxPathChars);
    }
    if (rest == nullptr) return;
    wchar_t printer[kMaxPathChars];
    if (kv::viewer::NextArgument(rest, printer, kMaxPathChars) == nullptr) return;
    kv::viewer::PrintPicture(argument, printer);
}

void PrintFromAnsi(const char* commandLine) {
    wchar_t wide[kMaxPathChars];
    if (kv::viewer::WidenCommandLine(commandLine, wide, kMaxPathChars)) {
        PrintFromWide(wide);
    }
}

}  // namespace

extern "C" {

void CALLBACK ImageView_FullscreenW(HWND, HINSTANCE, LPWSTR commandLine, int showCommand) {
    ShowFromWide(commandLine, showCommand);
}

void CALLBACK imageview_fullscreenW(HWND, HINSTANCE, LPWSTR commandLine, int showCommand) {
    ShowFromWide(commandLine, showCommand);
}

void CALLBACK ImageView_FullscreenA(HWND, HINSTANCE, LPSTR commandLine, int showCommand) {
    ShowFromAnsi(commandLine, showCommand);
}

void CALLBACK ImageView_Fullscreen(HWND, HINSTANCE, LPSTR commandLine, int showCommand) {
    ShowFromAnsi(commandLine, showCommand);
}

void CALLBACK ImageView_PrintToW(HWND, HINSTANCE, LPWSTR commandLine, int) {
    PrintFromWide(commandLine);
}

void CALLBACK ImageView_PrintToA(HWND, HINSTANCE, LPSTR commandLine, int) {
    PrintFromAnsi(commandLine);
}

void CALLBACK ImageView_PrintTo(HWND, HINSTANCE, LPSTR commandLine, int) {
    PrintFromAnsi(commandLine);
}

// The library serves no COM classes, so it never holds objects that pin it in memory.
STDAPI DllCanUnloadNow() {
    return S_OK;
}

STDAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* object) {
    if (object != nullptr) *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

}  // extern "C"
