#include <cstdio>

#include "runtime/runtime_error.h"

namespace kv {
namespace {
const char* const kRuntimeErrorTable[] = {
    "数组成员引用下标超出定义范围",
    "未得到所需要的数值型数据",
    "引用数组成员时维数不为1且不等于该数组目前所具有的维数",
    "数组成员引用下标必须大于等于1",
    "数据或数组类型不匹配",
    "调用DLL命令后发现堆栈错误",
    "子语句参数未返回数据或者返回了非系统基本类型或数组型数据",
    "被比较数据只能使用等于或不等于命令比较",
    "“多项选择”命令的索引值参数小于零或超出了所提供参数表范围",
    "“重定义数组”命令的数组维定义参数值必须大于零或单维时大于等于零",
    "所提供参数的数据类型不符合要求",
};
int32_t eventBlockCount = 0;
}  // namespace

int32_t& EventBlockCount() {
    return eventBlockCount;
}

const char* RuntimeErrorMessage(int32_t number) {
    constexpr int32_t count = sizeof kRuntimeErrorTable / sizeof kRuntimeErrorTable[0];
    if (number < 1 || number > count) return nullptr;
    return kRuntimeErrorTable[number - 1];
}

std::string BuildErrorBoxText(const char* text, int32_t code) {
    std::string box = "运行时出错!\r\n\r\n";
    if (code != 0) {
        char number[16];
        std::snprintf(number, sizeof number, "%d", static_cast<int>(code));
        box += "错误代码：";
        box += number;
        box += "\r\n\r\n";
    }
    if (text && *text) {
        box += "错误信息：";
        box += text;
        box += "\r\n";
    }
    return box;
}

}  // namespace kv
