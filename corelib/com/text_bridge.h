// Texts between the runtime (GBK, the ANSI code page) and automation (UTF-16 BSTR).
#pragma once

#include <windows.h>
// The automation headers need the base Windows types declared first.
#include <oleauto.h>

#include <string>

#include "runtime/values.h"

namespace kv::com {

// The text of a text argument, read through the pointer when it was passed by address;
// null when the argument is no text.
const char* TextArgument(const ArgValue& arg);

// The text widened from the ANSI code page; null reads as the empty text.
std::wstring Widen(const char* text);
// A new BSTR of the widened text (empty for null); null only when memory runs out.
BSTR NewBstrFromText(const char* text);
// A new runtime text narrowed to the ANSI code page; the empty string becomes null.
char* NewTextFromBstr(BSTR text);

}  // namespace kv::com
