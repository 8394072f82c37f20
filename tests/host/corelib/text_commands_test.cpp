// The text commands through their library-command entries: byte counting, double-byte
// stepping in searches and trimming, splitting, and fresh heap results.
#include <gtest/gtest.h>

#include "corelib/commands.h"
#include "tests/host/corelib/command_calls.h"
#include "tests/support/fake_kernel.h"

namespace kv::test {
namespace {

using core::CharFromCode;
using core::LeftText;
using core::RightText;
using core::SearchText;
using core::SpaceText;
using core::SplitText;
using core::TextLength;
using core::TrimBlanks;
using Texts = std::vector<std::string>;

// A GBK character whose trail byte is the ASCII letter A (0xB0 0x41).
constexpr char kTrailA[] = "\xB0\x41";

class TextCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override { liveBefore_ = LiveBlocks(); }
    // Every result block handed out was released by the test again.
    void TearDown() override { EXPECT_EQ(LiveBlocks(), liveBefore_); }

    int32_t Integer(LibraryCommand command, std::vector<ArgValue> args) {
        ArgValue result = Call(command, std::move(args));
        EXPECT_EQ(result.type, tag::kInt);
        return result.value.i32;
    }

  private:
    int liveBefore_ = 0;
};

TEST_F(TextCommandsTest, LengthCountsBytes) {
    EXPECT_EQ(Integer(TextLength, {TextArg("中文")}), 4);
    EXPECT_EQ(Integer(TextLength, {TextArg("")}), 0);
    EXPECT_EQ(Integer(TextLength, {TextArg("a中")}), 3);
}

TEST_F(TextCommandsTest, LeftAndRightCutByBytes) {
    EXPECT_EQ(CallForText(LeftText, {TextArg("中文"), IntArg(1)}), "\xD6");
    EXPECT_EQ(CallForText(LeftText, {TextArg("abc"), IntArg(2)}), "ab");
    EXPECT_EQ(CallForText(LeftText, {TextArg("abc"), IntArg(0)}), "");
    EXPECT_EQ(CallForText(LeftText, {TextArg("abc"), IntArg(-3)}), "");
    EXPECT_EQ(CallForText(RightText, {TextArg("abcde"), IntArg(100)}), "abcde");
    EXPECT_EQ(CallForText(RightText, {TextArg("abcde"), IntArg(2)}), "de");
    EXPECT_EQ(CallForText(RightText, {TextArg("abcde"), IntArg(0)}), "");
}

TEST_F(TextCommandsTest, CharFromCodeKeepsTheLowByte) {
    EXPECT_EQ(CallForText(CharFromCode, {IntArg(0x141)}), "A");
    EXPECT_EQ(CallForText(CharFromCode, {IntArg(0)}), "");
    EXPECT_EQ(CallForText(CharFromCode, {IntArg(0x100)}), "");
    ArgValue byteCode{};
    byteCode.value.u8 = 0x5C;
    byteCode.type = tag::kByte;
    EXPECT_EQ(CallForText(CharFromCode, {byteCode}), "\\");
}

TEST_F(TextCommandsTest, SearchFindsFromTheStartPosition) {
    EXPECT_EQ(Integer(SearchText, {TextArg("C:\\a\\b"), TextArg("\\")}), 3);
    EXPECT_EQ(Integer(SearchText, {TextArg("C:\\a\\b"), TextArg("\\"), IntArg(4)}), 5);
    EXPECT_EQ(Integer(SearchText, {TextArg("C:\\a\\b"), TextArg("\\"), IntArg(7)}), -1);
    EXPECT_EQ(Integer(SearchText, {TextArg("C:\\a\\b"), TextArg("\\"), IntArg(-5)}), 3);
    EXPECT_EQ(Integer(SearchText, {TextArg("abc"), TextArg("abcd")}), -1);
}

TEST_F(TextCommandsTest, SearchForEmptyTextAnswersOneWhileTextRemains) {
    EXPECT_EQ(Integer(SearchText, {TextArg("abc"), TextArg("")}), 1);
    EXPECT_EQ(Integer(SearchText, {TextArg("abc"), TextArg(""), IntArg(3)}), 1);
    EXPECT_EQ(Integer(SearchText, {TextArg("abc"), TextArg(""), IntArg(4)}), -1);
    EXPECT_EQ(Integer(SearchText, {TextArg(""), TextArg("")}), -1);
}

TEST_F(TextCommandsTest, SearchIgnoresCaseOnlyWhenAsked) {
    EXPECT_EQ(Integer(SearchText, {TextArg("abc"), TextArg("B")}), -1);
    EXPECT_EQ(Integer(SearchText, {TextArg("abc"), TextArg("B"), OmittedArg(), BoolArg(true)}), 2);
    EXPECT_EQ(Integer(SearchText, {TextArg("abc"), TextArg("B"), OmittedArg(), BoolArg(false)}),
              -1);
}

TEST_F(TextCommandsTest, SearchNeverMatchesInsideADoubleByteCharacter) {
    // The trail byte 0x41 is never taken for the letter A, in either case mode.
    EXPECT_EQ(Integer(SearchText, {TextArg(kTrailA), TextArg("A")}), -1);
    EXPECT_EQ(Integer(SearchText, {TextArg(kTrailA), TextArg("a"), OmittedArg(), BoolArg(true)}),
              -1);
    EXPECT_EQ(Integer(SearchText, {TextArg("x\xB0\x41"
                                           "A"),
                                   TextArg("A")}),
              4);
    // A match spanning a trail byte and the next lead byte is no match either.
    EXPECT_EQ(Integer(SearchText, {TextArg("\xB0\x41\xB0\x42"), TextArg("\x41\xB0")}), -1);
    EXPECT_EQ(Integer(SearchText, {TextArg("路径\\中文"), TextArg("中文")}), 6);
}

TEST_F(TextCommandsTest, SearchIgnoringCaseComparesDoubleByteCharactersExactly) {
    // 0xB0 0x61 and 0xB0 0x41 are different characters, though their trail bytes differ
    // only in letter case.
    EXPECT_EQ(
        Integer(SearchText, {TextArg("\xB0\x61"), TextArg(kTrailA), OmittedArg(), BoolArg(true)}),
        -1);
    EXPECT_EQ(Integer(SearchText,
                      {TextArg("xY\xB0\x41"), TextArg("y\xB0\x41"), OmittedArg(), BoolArg(true)}),
              2);
}

TEST_F(TextCommandsTest, SearchStopsAtALoneLeadByteAtTheEnd) {
    EXPECT_EQ(Integer(SearchText, {TextArg("\xB0"), TextArg("x")}), -1);
    EXPECT_EQ(Integer(SearchText, {TextArg("a\xB0"), TextArg("\xB0")}), 2);
}

TEST_F(TextCommandsTest, TrimRemovesHalfAndFullWidthBlanksButKeepsTabs) {
    EXPECT_EQ(CallForText(TrimBlanks, {TextArg(" \xA1\xA1 ab c\xA1\xA1  \xA1\xA1")}), "ab c");
    EXPECT_EQ(CallForText(TrimBlanks, {TextArg("\tab\t")}), "\tab\t");
    EXPECT_EQ(CallForText(TrimBlanks, {TextArg(" \t ")}), "\t");
    EXPECT_EQ(CallForText(TrimBlanks, {TextArg("   ")}), "");
    EXPECT_EQ(CallForText(TrimBlanks, {TextArg("\xA1\xA1")}), "");
    EXPECT_EQ(CallForText(TrimBlanks, {TextArg("")}), "");
}

TEST_F(TextCommandsTest, TrimTakesA1AsLeadByteOnlyWhenPaired) {
    // 0xA1 0xA2 is a character of its own, not a blank; its trail byte is not a blank start.
    EXPECT_EQ(CallForText(TrimBlanks, {TextArg(" \xA1\xA2 ")}), "\xA1\xA2");
    EXPECT_EQ(CallForText(TrimBlanks, {TextArg("\xB0\xA1\xA1\xA1")}), "\xB0\xA1");
}

TEST_F(TextCommandsTest, TrimDropsALoneLeadByteAtTheEnd) {
    EXPECT_EQ(CallForText(TrimBlanks, {TextArg("ab\xB0")}), "ab");
    EXPECT_EQ(CallForText(TrimBlanks, {TextArg("ab \xB0")}), "ab");
}

TEST_F(TextCommandsTest, SplitAtTheDefaultComma) {
    EXPECT_EQ(CallForTextArray(SplitText, {TextArg("a,b,c")}), (Texts{"a", "b", "c"}));
    EXPECT_EQ(CallForTextArray(SplitText, {TextArg(",a,,b,")}), (Texts{"", "a", "", "b"}));
    EXPECT_EQ(CallForTextArray(SplitText, {TextArg("")}), Texts{});
    EXPECT_EQ(CallForTextArray(SplitText, {TextArg(",")}), Texts{""});
}

TEST_F(TextCommandsTest, SplitStopsAtTheLimit) {
    EXPECT_EQ(CallForTextArray(SplitText, {TextArg("a,b,c"), OmittedArg(), IntArg(2)}),
              (Texts{"a", "b"}));
    EXPECT_EQ(CallForTextArray(SplitText, {TextArg("a,b,c"), OmittedArg(), IntArg(3)}),
              (Texts{"a", "b", "c"}));
    EXPECT_EQ(CallForTextArray(SplitText, {TextArg("a,b,c"), OmittedArg(), IntArg(1)}), Texts{"a"});
    EXPECT_EQ(CallForTextArray(SplitText, {TextArg("a,b,c"), OmittedArg(), IntArg(0)}), Texts{});
    EXPECT_EQ(CallForTextArray(SplitText, {TextArg("a,b,c"), OmittedArg(), IntArg(-1)}), Texts{});
}

TEST_F(TextCommandsTest, SplitWithOtherSeparators) {
    EXPECT_EQ(CallForTextArray(SplitText, {TextArg("a::b:c"), TextArg("::")}), (Texts{"a", "b:c"}));
    EXPECT_EQ(CallForTextArray(SplitText, {TextArg("aXbxc"), TextArg("x")}), (Texts{"aXb", "c"}));
    EXPECT_EQ(CallForTextArray(SplitText, {TextArg("a,b"), TextArg("")}), Texts{"a,b"});
    // The trail byte 0x41 of the first character is not the separator A.
    EXPECT_EQ(CallForTextArray(SplitText, {TextArg("\xB0\x41"
                                                   "A"
                                                   "z"),
                                           TextArg("A")}),
              (Texts{kTrailA, "z"}));
}

TEST_F(TextCommandsTest, SpaceTextMakesSpaces) {
    EXPECT_EQ(CallForText(SpaceText, {IntArg(260)}), std::string(260, ' '));
    EXPECT_EQ(CallForText(SpaceText, {IntArg(0)}), "");
    EXPECT_EQ(CallForText(SpaceText, {IntArg(-2)}), "");
}

}  // namespace
}  // namespace kv::test
