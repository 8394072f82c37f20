#include <windows.h>

#include "runtime/runtime_app.h"
#include "runtime/runtime_error.h"

namespace kv {

void ReportRuntimeError(const char* text, int32_t code) {
    ++EventBlockCount();
    std::string box = BuildErrorBoxText(text, code);
    MessageBoxA(nullptr, box.c_str(), "错误", MB_ICONERROR);
    // The program's exit routines are dropped; the rest of the end sequence still runs.
    App().exitRoutines.clear();
    EndProgram(-1);
}

}  // namespace kv
