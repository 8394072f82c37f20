// The COM object type's commands. Argument 1 of each is the object (value = address of its
// ObjectBlock); results are written through `result`, which the dispatcher has zeroed.
#pragma once

#include <cstdint>

#include "runtime/library.h"

namespace kv::com {

// ProgID or "{CLSID}" text, then an optional type-library file: logical result.
void KV_CDECL ComCreate(ArgValue* result, int32_t count, ArgValue* args);
// No further arguments, no result.
void KV_CDECL ComClear(ArgValue* result, int32_t count, ArgValue* args);
// Member name, then the member's arguments; no result.
void KV_CDECL ComCallMethod(ArgValue* result, int32_t count, ArgValue* args);
// Member name, then the member's arguments; a ComObject result (an empty one on failure).
void KV_CDECL ComCallObjectMethod(ArgValue* result, int32_t count, ArgValue* args);

// The engine behind both call commands: the result's TypeTag on entry is the type expected
// back (0 for none). On any failure an expected result becomes that type's empty value.
void ComInvoke(ArgValue* result, int32_t count, ArgValue* args);

}  // namespace kv::com
