#include "runtime/argument_words.h"

namespace kv {
namespace {
constexpr uint32_t kPassAddress = 1;
constexpr uint32_t kPassBothWords = 2;
constexpr TypeTag kEightByteLibraryType = 0x00010003;
constexpr TypeTag kEightByteBasicType = 0x80000008;

bool PassesBothWords(const EventArg& arg) {
    if (arg.flags & kPassBothWords) return true;
    switch (arg.type) {
        case kEightByteLibraryType:
        case tag::kLong:
        case tag::kDouble:
        case tag::kDateTime:
        case kEightByteBasicType:
            return true;
        default:
            return false;
    }
}
}  // namespace

std::vector<uint32_t> ArgumentWords(const EventArg* args, int count) {
    std::vector<uint32_t> words;
    for (int i = 0; i < count; ++i) {
        const EventArg& arg = args[i];
        if (arg.flags & kPassAddress) {
            words.push_back(arg.value.words[0]);
        } else if (PassesBothWords(arg)) {
            words.push_back(arg.value.words[0]);
            words.push_back(arg.value.words[1]);
        } else if (arg.type == tag::kByte) {
            words.push_back(uint8_t(arg.value.words[0]));
        } else if (arg.type == tag::kShort) {
            words.push_back(uint32_t(int32_t(int16_t(arg.value.words[0]))));
        } else {
            words.push_back(arg.value.words[0]);
        }
    }
    return words;
}

std::vector<uint64_t> ArgumentSlots(const EventArg* args, int count) {
    std::vector<uint64_t> slots;
    for (int i = 0; i < count; ++i) {
        const EventArg& arg = args[i];
        if (arg.flags & kPassAddress) {
            slots.push_back(uint64_t(reinterpret_cast<uintptr_t>(arg.value.ptr)));
        } else if (arg.type == tag::kByte && !PassesBothWords(arg)) {
            slots.push_back(uint8_t(arg.value.words[0]));
        } else if (arg.type == tag::kShort && !PassesBothWords(arg)) {
            slots.push_back(uint64_t(int64_t(int16_t(arg.value.words[0]))));
        } else {
            slots.push_back(uint64_t(arg.value.i64));
        }
    }
    return slots;
}

}  // namespace kv
