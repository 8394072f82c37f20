// The process entry of every program built on the runtime: the framework's main routine on
// the runtime's application object, whose start hook runs the program's entry.
#include <windows.h>

#include "runtime/runtime_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return kv::RunRuntimeApp();
}
