// The OS-interface library: the path of a well-known folder by number, always ending in a
// backslash.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/library.h"

namespace kv::os {

// Folder numbers: 1 documents, 2 favorites, 3 desktop, 4 fonts, 5 start menu, 6 programs,
// 7 startup, 8 application data, 9 Windows, 10 system, 11 temporary. Empty for any other
// number or when the system has no such folder.
std::string SpecialFolderPath(int32_t number);

// The library command: one integer argument, a text result (null when empty).
void KV_CDECL GetSpecialFolder(ArgValue* result, int32_t count, ArgValue* args);

intptr_t KV_STDCALL OsLibraryNotify(int32_t code, intptr_t p1, intptr_t p2);
extern const LibraryInfo kOsLibraryInfo;

}  // namespace kv::os
