#include "app/runtime_calls.h"

#include <cstring>
#include <vector>

namespace kv::app {
namespace {

char* NewText(size_t length) {
    return static_cast<char*>(kvHelperTable.allocate(intptr_t(length + 1)));
}

LibraryCommand CommandOf(int32_t library, int32_t entry) {
    return kvProgramInfo.libraries[library]->commands[entry];
}

ArgValue Call(bool core, LibraryCommand command, std::initializer_list<ArgValue> args) {
    std::vector<ArgValue> list(args);
    ArgValue* data = list.empty() ? nullptr : list.data();
    return core ? kvHelperTable.callCoreCommand(command, int32_t(list.size()), data)
                : kvHelperTable.callSupportCommand(command, int32_t(list.size()), data);
}

}  // namespace

Text Text::Adopt(char* text) {
    return Text(text);
}

Text Text::Copy(const char* text) {
    return Join({text});
}

Text Text::Join(std::initializer_list<const char*> parts) {
    size_t length = 0;
    for (const char* part : parts) length += part ? std::strlen(part) : 0;
    if (length == 0) return Text();
    char* joined = NewText(length);
    char* end = joined;
    for (const char* part : parts) {
        if (!part) continue;
        size_t n = std::strlen(part);
        std::memcpy(end, part, n);
        end += n;
    }
    *end = '\0';
    return Text(joined);
}

Text& Text::operator=(Text&& other) noexcept {
    if (this != &other) {
        kvHelperTable.release(text_);
        text_ = other.Release();
    }
    return *this;
}

Text::~Text() {
    kvHelperTable.release(text_);
}

int32_t Text::Length() const {
    return int32_t(std::strlen(c_str()));
}

bool Text::EndsWith(char c) const {
    int32_t n = Length();
    return n > 0 && text_[n - 1] == c;
}

void Text::Append(const char* tail) {
    *this = Join({c_str(), tail});
}

char* Text::Release() {
    char* text = text_;
    text_ = nullptr;
    return text;
}

ArgValue UnitArg(uint32_t formId, uint32_t unitId) {
    ArgValue a = TypedArg(tag::kWindowType);
    a.value.words[0] = formId;
    a.value.words[1] = unitId;
    return a;
}

ArgValue CoreCommand(int32_t entry, std::initializer_list<ArgValue> args) {
    return Call(true, CommandOf(kCoreLibrary, entry), args);
}

ArgValue SupportCommand(LibraryNumber library, int32_t entry,
                        std::initializer_list<ArgValue> args) {
    return Call(false, CommandOf(library, entry), args);
}

void WriteUnitProperty(uint32_t formId, uint32_t unitId, int32_t property, int64_t value) {
    kvHelperTable.writeUnitProperty(formId, unitId, property, -1, value);
}

void EndProgram(int32_t code) {
    kvHelperTable.endProgram(code);
    __builtin_unreachable();
}

}  // namespace kv::app
