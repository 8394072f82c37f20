#include "oslib/folder_lookup.h"

#include <shlobj.h>
#include <windows.h>

#include <cstring>

namespace kv::os {
namespace {

NotifyFunction keptNotify = nullptr;

// Shell folders behind numbers 1 to 8.
constexpr int kShellFolders[] = {CSIDL_PERSONAL, CSIDL_FAVORITES, CSIDL_DESKTOPDIRECTORY,
                                 CSIDL_FONTS,    CSIDL_STARTMENU, CSIDL_PROGRAMS,
                                 CSIDL_STARTUP,  CSIDL_APPDATA};

}  // namespace

std::string SpecialFolderPath(int32_t number) {
    // One byte beyond MAX_PATH keeps room for the backslash after a 259-byte path.
    char path[MAX_PATH + 1] = {};
    bool found = false;
    if (number >= 1 && number <= 8) {
        found = SHGetSpecialFolderPathA(nullptr, path, kShellFolders[number - 1], FALSE);
    } else if (number >= 9 && number <= 11) {
        // A length of MAX_PATH or more means the path did not fit and was not written.
        const UINT length = number == 9    ? GetWindowsDirectoryA(path, MAX_PATH)
                            : number == 10 ? GetSystemDirectoryA(path, MAX_PATH)
                                           : GetTempPathA(MAX_PATH, path);
        found = length != 0 && length < MAX_PATH;
    }
    std::string text = found ? std::string(path) : std::string();
    if (!text.empty() && text.back() != '\\') text += '\\';
    return text;
}

void KV_CDECL GetSpecialFolder(ArgValue* result, int32_t count, ArgValue* args) {
    const int32_t number = (count > 0 && args[0].type != tag::kOmitted) ? args[0].value.i32 : 0;
    const std::string path = SpecialFolderPath(number);
    result->value.i64 = 0;
    result->type = tag::kText;
    if (path.empty() || !keptNotify) return;
    auto* text =
        reinterpret_cast<char*>(keptNotify(sysnotify::kAllocate, intptr_t(path.size() + 1), 0));
    if (!text) return;
    memcpy(text, path.c_str(), path.size() + 1);
    result->value.text = text;
}

intptr_t KV_STDCALL OsLibraryNotify(int32_t code, intptr_t p1, intptr_t /*p2*/) {
    if (code != libnotify::kStart) return libnotify::kNotHandled;
    keptNotify = reinterpret_cast<NotifyFunction>(p1);
    return 0;
}

}  // namespace kv::os
