// Reading command arguments and writing command results. Results are fresh blocks from the
// kernel's heap (SystemNotify allocate), owned by the receiver; an empty text is null.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/values.h"

namespace kv::core {

// True when argument `index` was passed and not omitted.
inline bool IsGiven(int32_t count, const ArgValue* args, int32_t index) {
    return index < count && args[index].type != tag::kOmitted;
}
// A text argument; a null text reads as the empty text.
std::string_view TextArgument(const ArgValue& arg);
// Argument `index` as a NUL-terminated text; missing, omitted or null reads as "".
const char* TextAt(int32_t count, const ArgValue* args, int32_t index);
// A numeric argument as a 32-bit integer (wider values keep their low 32 bits, floating
// values are truncated toward zero).
int32_t IntegerArgument(const ArgValue& arg);

void SetInteger(ArgValue* result, int32_t value);
// A logical result keeps the value as given: any non-zero value is true.
void SetLogical(ArgValue* result, int32_t value);
void SetText(ArgValue* result, std::string_view text);
void SetTextArray(ArgValue* result, const std::vector<std::string_view>& elements);

// A fresh heap text, or null for the empty text.
char* NewText(std::string_view text);
// A fresh one-dimensional text array owning its element texts.
void* NewTextArray(const std::vector<std::string_view>& elements);

}  // namespace kv::core
