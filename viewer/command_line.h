// The text that rundll32 hands to an entry point: everything after the entry name, blanks
// included. These helpers turn it into the paths the viewer works with.
#pragma once

#include <windows.h>

namespace kv::viewer {

// Longest path (in UTF-16 units, NUL included) the viewer accepts.
constexpr int kMaxPathChars = 4096;

// Copies the command line into out without surrounding blanks and, when the whole line is
// one quoted text, without its quotes. False when it does not fit or is empty.
bool ImagePathFromCommandLine(const wchar_t* line, wchar_t* out, int outChars);

// Converts an ANSI (active code page) command line to UTF-16. False when it does not fit.
bool WidenCommandLine(const char* line, wchar_t* out, int outChars);

// Splits the next argument off a print command line: a quoted text or a run of non-blanks.
// Returns the position after it, or nullptr when no argument is left or it does not fit.
const wchar_t* NextArgument(const wchar_t* line, wchar_t* out, int outChars);

}  // namespace kv::viewer
