// Printing an image file on a named printer, one page, fitted to the printable area.
#pragma once

#include <windows.h>

namespace kv::viewer {

// Prints the bitmap file at path on printer. False when the file is no bitmap, the
// printer cannot be opened or the job fails.
bool PrintPicture(const wchar_t* path, const wchar_t* printer);

}  // namespace kv::viewer
