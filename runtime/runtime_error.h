// Runtime errors: every error the runtime detects on the program's behalf shows one box and
// ends the process with -1. The texts and the box layout need no Windows API.
#pragma once

#include <cstdint>
#include <string>

namespace kv {

// Shows the box (caption "错误"), drops the exit routines, ends the program with -1.
[[noreturn]] void ReportRuntimeError(const char* text, int32_t code);

// Events are delivered only while the count is 0; errors and the end raise it for good.
int32_t& EventBlockCount();

// Entry n (1-11) of the runtime-error table; null for any other number.
const char* RuntimeErrorMessage(int32_t number);

// "运行时出错!\r\n\r\n", then "错误代码：<code>\r\n\r\n" when code is not 0, then
// "错误信息：<text>\r\n" when text is neither null nor empty.
std::string BuildErrorBoxText(const char* text, int32_t code);

// The kernel's own texts.
namespace errtext {
constexpr const char kStartWindow[] = "载入启动窗口失败";
constexpr const char kTemplateBlock[] = "载入窗口模板数据段出错!";
constexpr const char kPackageCall[] = "静态编译的程序不支持调用位于外部Kiva包中的子程序";
constexpr const char kNotNumeric[] = "欲转换数据类型不是数值";
constexpr const char kNativeNotFound[] = "无法找到指定DLL库文件“%s”中的输出命令“%s”";
constexpr const char kNativeNotFoundNoDll[] = "无法找到指定DLL库文件中的输出命令“%s”";
}  // namespace errtext

}  // namespace kv
