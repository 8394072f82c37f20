#include "runtime/argument_words.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

EventArg Arg(TypeTag type, uint32_t low, uint32_t high, uint32_t flags = 0) {
    EventArg arg{};
    arg.value.words[0] = low;
    arg.value.words[1] = high;
    arg.type = type;
    arg.flags = flags;
    return arg;
}

TEST(ArgumentWords, EachRuleInMemoryOrder) {
    const EventArg args[] = {
        Arg(tag::kInt, 7, 0xDEAD),             // first word only
        Arg(tag::kByte, 0xFFFFFF90, 0),        // zero-extended byte
        Arg(tag::kShort, 0x0001FFFF, 0),       // sign-extended short
        Arg(tag::kDouble, 0x11, 0x22),         // both words
        Arg(tag::kText, 0x33, 0x44, 1),        // address flag: first word
        Arg(tag::kInt, 0x55, 0x66, 2),         // both-words flag
        Arg(TypeTag(0x10003), 0x77, 0x88),     // library type passed as 8 bytes
        Arg(TypeTag(0x80000008), 0x99, 0xAA),  // basic type passed as 8 bytes
        Arg(tag::kDateTime, 0xBB, 0xCC),
        Arg(tag::kLong, 0xDD, 0xEE),
    };
    std::vector<uint32_t> expected = {7,    0x90, 0xFFFFFFFF, 0x11, 0x22, 0x33, 0x55, 0x66,
                                      0x77, 0x88, 0x99,       0xAA, 0xBB, 0xCC, 0xDD, 0xEE};
    EXPECT_EQ(ArgumentWords(args, 10), expected);
    EXPECT_TRUE(ArgumentWords(args, 0).empty());
}

TEST(ArgumentSlots, OneSlotPerArgument) {
    const EventArg args[] = {
        Arg(tag::kByte, 0xFFFFFF90, 0),
        Arg(tag::kShort, 0x0000FFFE, 0),
        Arg(tag::kDouble, 0x11, 0x22),
        Arg(tag::kInt, 0x55, 0x66, 2),
    };
    std::vector<uint64_t> expected = {0x90, uint64_t(-2), 0x0000002200000011, 0x0000006600000055};
    EXPECT_EQ(ArgumentSlots(args, 4), expected);
}

TEST(ArgumentSlots, AddressesFillTheSlot) {
    static char text[] = "x";
    EventArg arg{};
    arg.value.ptr = text;
    arg.type = tag::kText;
    arg.flags = 1;
    EXPECT_EQ(ArgumentSlots(&arg, 1), std::vector<uint64_t>{reinterpret_cast<uintptr_t>(text)});
    arg.flags = 0;
    EXPECT_EQ(ArgumentSlots(&arg, 1), std::vector<uint64_t>{reinterpret_cast<uintptr_t>(text)});
}

}  // namespace
}  // namespace kv
