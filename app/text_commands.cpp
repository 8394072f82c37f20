#include "app/text_commands.h"

#include <cstring>
#include <utility>

#include "corelib/commands.h"

namespace kv::app {

TextArray::~TextArray() {
    for (int32_t i = 0; i < Count(); ++i) kvHelperTable.release(Elements()[i]);
    kvHelperTable.release(array_);
}

int32_t TextArray::Count() const {
    if (!array_) return 0;
    int32_t count;
    std::memcpy(&count, static_cast<const char*>(array_) + 4, sizeof count);
    return count;
}

char* const* TextArray::Elements() const {
    return reinterpret_cast<char* const*>(static_cast<const char*>(array_) + ArrayHeaderSize(1));
}

const char* TextArray::At(int32_t i) const {
    const char* text = Elements()[i];
    return text ? text : "";
}

Text TrimBlanks(const char* text) {
    return Text::Adopt(CoreCommand(core::kTrimBlanks, {TextArg(text)}).value.text);
}

int32_t TextLength(const char* text) {
    return CoreCommand(core::kTextLength, {TextArg(text)}).value.i32;
}

Text LeftText(const char* text, int32_t count) {
    return Text::Adopt(CoreCommand(core::kLeftText, {TextArg(text), IntArg(count)}).value.text);
}

Text SpaceText(int32_t count) {
    return Text::Adopt(CoreCommand(core::kSpaceText, {IntArg(count)}).value.text);
}

void SplitText(const char* text, const char* separator, TextArray* parts) {
    TextArray old;
    std::swap(*old.Address(), *parts->Address());
    *parts->Address() =
        CoreCommand(core::kSplitText, {TextArg(text), TextArg(separator)}).value.ptr;
}

}  // namespace kv::app
