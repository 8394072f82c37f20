// Splitting a command line into the program's arguments.
#include "corelib/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv::core {
namespace {

std::vector<std::string> Split(const char* line) {
    std::vector<std::string> out;
    for (std::string_view argument : SplitCommandLine(line)) out.emplace_back(argument);
    return out;
}
using Texts = std::vector<std::string>;

TEST(CommandLineTest, QuotedEmptyAndAdjacentArguments) {
    EXPECT_EQ(Split("\"C:\\Program Files\\a.exe\" x \"y z\" \"\" w\"v"),
              (Texts{"x", "y z", "", "w", "v"}));
}

TEST(CommandLineTest, ProgramNameAlone) {
    EXPECT_EQ(Split("\"C:\\Program Files\\a.exe\""), Texts{});
    EXPECT_EQ(Split("a.exe"), Texts{});
    EXPECT_EQ(Split("a.exe "), Texts{});
    EXPECT_EQ(Split(""), Texts{});
}

TEST(CommandLineTest, RunsOfSeparatorsBetweenArguments) {
    EXPECT_EQ(Split("a.exe   a    b   "), (Texts{"a", "b"}));
    EXPECT_EQ(Split("\"a.exe\"\ta\t\tb\r\n"), (Texts{"a", "b"}));
}

TEST(CommandLineTest, UnterminatedQuoteRunsToTheEnd) {
    EXPECT_EQ(Split("a.exe \"C:\\my pics\\1.jpg"), Texts{"C:\\my pics\\1.jpg"});
    EXPECT_EQ(Split("a.exe \""), Texts{""});
}

TEST(CommandLineTest, DoubleByteCharactersStayWhole) {
    // 0xB0 0x20 is one character: its trail byte is no separator.
    EXPECT_EQ(Split("a.exe \xB0\x20x y"), (Texts{"\xB0\x20x", "y"}));
    // 0xB0 0x22 likewise: its trail byte closes no quote.
    EXPECT_EQ(Split("a.exe \"\xB0\x22 z\""), Texts{"\xB0\x22 z"});
    EXPECT_EQ(Split("a.exe 图片.jpg"), Texts{"图片.jpg"});
}

TEST(CommandLineTest, LoneLeadByteAtTheEndIsDropped) {
    EXPECT_EQ(Split("a.exe ab\xB0"), Texts{"ab"});
    EXPECT_EQ(Split("a.exe \"ab\xB0"), Texts{"ab"});
    EXPECT_EQ(Split("a.exe \xB0"), Texts{""});
}

}  // namespace
}  // namespace kv::core
