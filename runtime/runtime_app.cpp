#include "runtime/runtime_app.h"

namespace kv {
namespace {
// Constructed by static initialisation, before the framework's main routine runs.
RuntimeApp theApp;
}  // namespace

RuntimeApp& App() {
    return theApp;
}

std::string ModuleFileName(HMODULE module) {
    std::string name(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(module, name.data(), DWORD(name.size()));
        if (length < name.size()) {
            name.resize(length);
            return name;
        }
        name.resize(name.size() * 2);
    }
}

int RunRuntimeApp() {
    return fw::RunApplication();
}

int RuntimeApp::InitInstance() {
    std::string module = ModuleFileName(ProgramModule());
    moduleDirectory = module.substr(0, module.rfind('\\') + 1);
    return kvProgramEntry();
}

int RuntimeApp::ExitInstance() {
    EndSequence(0);
    return fw::Application::ExitInstance();
}

void NativeDeclarations::Resize(size_t count) {
    dllNames.assign(count, nullptr);
    functionNames.assign(count, nullptr);
    modules.assign(count, nullptr);
    addresses.assign(count, nullptr);
}

void NativeDeclarations::Clear() {
    Resize(0);
}

uint32_t BuildKind() {
    return theApp.buildKind;
}
bool MessageLoopEntered() {
    return theApp.loopEntered;
}
HWND HiddenOwnerWindow() {
    return theApp.hiddenOwner;
}
HMODULE ProgramModule() {
    return GetModuleHandleA(nullptr);
}
const char* ProgramDirectory() {
    return theApp.programDirectory.c_str();
}
const char* ProgramFileName() {
    return theApp.programFileName.c_str();
}

}  // namespace kv
