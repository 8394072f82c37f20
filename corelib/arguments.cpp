#include "corelib/arguments.h"

#include <cstring>

#include "corelib/system_notify.h"
#include "runtime/library.h"

namespace kv::core {
namespace {
void* Allocate(size_t bytes) {
    return reinterpret_cast<void*>(CallSystemNotify(sysnotify::kAllocate, intptr_t(bytes), 0));
}
}  // namespace

std::string_view TextArgument(const ArgValue& arg) {
    return arg.value.text ? std::string_view(arg.value.text) : std::string_view();
}

const char* TextAt(int32_t count, const ArgValue* args, int32_t index) {
    return IsGiven(count, args, index) && args[index].value.text ? args[index].value.text : "";
}

int32_t IntegerArgument(const ArgValue& arg) {
    switch (arg.type) {
        case tag::kByte:
            return arg.value.u8;
        case tag::kShort:
            return arg.value.i16;
        case tag::kLong:
            return int32_t(uint32_t(uint64_t(arg.value.i64)));
        case tag::kFloat:
            return int32_t(int64_t(arg.value.f32));
        case tag::kDouble:
            return int32_t(int64_t(arg.value.f64));
        default:
            return arg.value.i32;
    }
}

void SetInteger(ArgValue* result, int32_t value) {
    result->value.i64 = 0;
    result->value.i32 = value;
    result->type = tag::kInt;
}

void SetLogical(ArgValue* result, int32_t value) {
    result->value.i64 = 0;
    result->value.i32 = value;
    result->type = tag::kBool;
}

void SetText(ArgValue* result, std::string_view text) {
    result->value.i64 = 0;
    result->value.text = NewText(text);
    result->type = tag::kText;
}

void SetTextArray(ArgValue* result, const std::vector<std::string_view>& elements) {
    result->value.i64 = 0;
    result->value.ptr = NewTextArray(elements);
    result->type = tag::kText | tag::kArrayBit;
}

char* NewText(std::string_view text) {
    if (text.empty()) return nullptr;
    auto* block = static_cast<char*>(Allocate(text.size() + 1));
    if (!block) return nullptr;
    memcpy(block, text.data(), text.size());
    block[text.size()] = '\0';
    return block;
}

void* NewTextArray(const std::vector<std::string_view>& elements) {
    const size_t header = ArrayHeaderSize(1);
    auto* block = static_cast<char*>(Allocate(header + elements.size() * sizeof(char*)));
    if (!block) return nullptr;
    const uint32_t words[2] = {1, uint32_t(elements.size())};
    memcpy(block, words, sizeof(words));
    auto** items = reinterpret_cast<char**>(block + header);
    for (size_t i = 0; i < elements.size(); ++i) items[i] = NewText(elements[i]);
    return block;
}

}  // namespace kv::core
