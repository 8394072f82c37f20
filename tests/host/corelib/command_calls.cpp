#include "tests/host/corelib/command_calls.h"

#include <gtest/gtest.h>

#include <cstring>

#include "corelib/system_notify.h"
#include "tests/support/fake_kernel.h"

namespace kv::test {

ArgValue Call(LibraryCommand command, std::vector<ArgValue> args) {
    core::KeepSystemNotify(FakeSystemNotify);
    ArgValue result{};
    command(&result, int32_t(args.size()), args.data());
    return result;
}

std::string CallForText(LibraryCommand command, std::vector<ArgValue> args) {
    ArgValue result = Call(command, std::move(args));
    EXPECT_EQ(result.type, tag::kText);
    std::string text = result.value.text ? result.value.text : "";
    // An empty result is the null text, never an allocated empty string.
    EXPECT_TRUE(result.value.text == nullptr || !text.empty());
    FakeSystemNotify(sysnotify::kRelease, reinterpret_cast<intptr_t>(result.value.text), 0);
    return text;
}

std::vector<std::string> TakeTextArray(void* array) {
    std::vector<std::string> elements;
    if (!array) {
        ADD_FAILURE() << "no array";
        return elements;
    }
    uint32_t words[2];
    memcpy(words, array, sizeof(words));
    EXPECT_EQ(words[0], 1u);
    char** items = reinterpret_cast<char**>(static_cast<char*>(array) + ArrayHeaderSize(1));
    for (uint32_t i = 0; i < words[1]; ++i) {
        EXPECT_TRUE(items[i] == nullptr || items[i][0] != '\0') << "element " << i;
        elements.push_back(items[i] ? items[i] : "");
    }
    FakeSystemNotify(sysnotify::kReleaseArray, intptr_t(tag::kText | tag::kArrayBit),
                     reinterpret_cast<intptr_t>(array));
    return elements;
}

std::vector<std::string> CallForTextArray(LibraryCommand command, std::vector<ArgValue> args) {
    ArgValue result = Call(command, std::move(args));
    EXPECT_EQ(result.type, tag::kText | tag::kArrayBit);
    return TakeTextArray(result.value.ptr);
}

}  // namespace kv::test
