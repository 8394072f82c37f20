// The text commands as library commands: arguments read from ArgValues, results allocated
// on the kernel's heap.
#include <cstring>
#include <optional>

#include "corelib/arguments.h"
#include "corelib/commands.h"
#include "corelib/text_ops.h"

namespace kv::core {
namespace {

int32_t IntegerAt(int32_t count, const ArgValue* args, int32_t index) {
    return IsGiven(count, args, index) ? IntegerArgument(args[index]) : 0;
}

std::optional<int32_t> OptionalIntegerAt(int32_t count, const ArgValue* args, int32_t index) {
    if (!IsGiven(count, args, index)) return std::nullopt;
    return IntegerArgument(args[index]);
}

}  // namespace

void KV_CDECL TextLength(ArgValue* result, int32_t count, ArgValue* args) {
    SetInteger(result, int32_t(strlen(TextAt(count, args, 0))));
}

void KV_CDECL LeftText(ArgValue* result, int32_t count, ArgValue* args) {
    SetText(result, LeftPart(TextAt(count, args, 0), IntegerAt(count, args, 1)));
}

void KV_CDECL RightText(ArgValue* result, int32_t count, ArgValue* args) {
    SetText(result, RightPart(TextAt(count, args, 0), IntegerAt(count, args, 1)));
}

void KV_CDECL CharFromCode(ArgValue* result, int32_t count, ArgValue* args) {
    SetText(result, TextFromCode(IntegerAt(count, args, 0)));
}

void KV_CDECL SearchText(ArgValue* result, int32_t count, ArgValue* args) {
    // Case is ignored only when the logical is exactly 1.
    const bool ignoreCase = IsGiven(count, args, 3) && args[3].value.i32 == 1;
    SetInteger(result, FindInText(TextAt(count, args, 0), TextAt(count, args, 1),
                                  OptionalIntegerAt(count, args, 2), ignoreCase));
}

void KV_CDECL TrimBlanks(ArgValue* result, int32_t count, ArgValue* args) {
    SetText(result, WithoutBlanks(TextAt(count, args, 0)));
}

void KV_CDECL SplitText(ArgValue* result, int32_t count, ArgValue* args) {
    const std::string_view separator = IsGiven(count, args, 1) ? TextArgument(args[1]) : ",";
    SetTextArray(result, SplitAtSeparator(TextAt(count, args, 0), separator,
                                          OptionalIntegerAt(count, args, 2)));
}

void KV_CDECL SpaceText(ArgValue* result, int32_t count, ArgValue* args) {
    SetText(result, Spaces(IntegerAt(count, args, 0)));
}

}  // namespace kv::core
