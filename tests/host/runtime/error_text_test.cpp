#include <gtest/gtest.h>

#include "runtime/runtime_error.h"

namespace kv {
namespace {

TEST(RuntimeErrorText, NumberedErrorShowsCodeAndMessage) {
    EXPECT_EQ(BuildErrorBoxText(RuntimeErrorMessage(6), 6),
              "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n");
}

TEST(RuntimeErrorText, CodeZeroHasNoCodeLine) {
    EXPECT_EQ(BuildErrorBoxText("载入启动窗口失败", 0),
              "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n");
}

TEST(RuntimeErrorText, EmptyTextAndCodeZeroGiveOnlyTheFirstLine) {
    EXPECT_EQ(BuildErrorBoxText("", 0), "运行时出错!\r\n\r\n");
    EXPECT_EQ(BuildErrorBoxText(nullptr, 0), "运行时出错!\r\n\r\n");
}

TEST(RuntimeErrorText, NegativeCodeIsSigned) {
    EXPECT_EQ(BuildErrorBoxText(nullptr, -5), "运行时出错!\r\n\r\n错误代码：-5\r\n\r\n");
}

TEST(RuntimeErrorText, TableHasElevenEntries) {
    EXPECT_EQ(RuntimeErrorMessage(0), nullptr);
    EXPECT_STREQ(RuntimeErrorMessage(1), "数组成员引用下标超出定义范围");
    EXPECT_STREQ(RuntimeErrorMessage(9),
                 "“多项选择”命令的索引值参数小于零或超出了所提供参数表范围");
    EXPECT_STREQ(RuntimeErrorMessage(11), "所提供参数的数据类型不符合要求");
    EXPECT_EQ(RuntimeErrorMessage(12), nullptr);
}

}  // namespace
}  // namespace kv
