// Portable builds have no message box: the box text goes to the standard error stream and
// the process ends with -1, as it does on Windows after the box.
#include <cstdio>
#include <cstdlib>

#include "runtime/runtime_error.h"

namespace kv {

void ReportRuntimeError(const char* text, int32_t code) {
    ++EventBlockCount();
    std::string box = BuildErrorBoxText(text, code);
    std::fwrite(box.data(), 1, box.size(), stderr);
    std::fflush(stderr);
    std::_Exit(-1);
}

}  // namespace kv
