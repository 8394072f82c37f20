// Binding native declarations to DLL exports on first use.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/runtime_app.h"
#include "runtime/runtime_error.h"

namespace kv {
namespace {
// Tried in this order for a declaration without a DLL name.
const char* const kSystemDllList[] = {"Kernel32.dll", "Gdi32.dll", "User32.dll",
                                      "Advapi32.dll", "Mpr.dll",   "Shell32.dll"};

// A name beginning with "#" names an export by ordinal: the decimal number, low 16 bits.
LPCSTR ExportName(const char* function) {
    if (function[0] != '#') return function;
    unsigned long ordinal = std::strtoul(function + 1, nullptr, 10);
    return MAKEINTRESOURCEA(ordinal & 0xFFFF);
}

// Program directory, then module directory, then the loader's own search; a name with a
// drive (":") goes to the loader as written.
HMODULE LoadNamedDll(const char* dll) {
    const RuntimeApp& app = App();
    if (!std::strchr(dll, ':')) {
        std::string inProgramDirectory = app.programDirectory + "\\" + dll;
        if (HMODULE module = LoadLibraryA(inProgramDirectory.c_str())) return module;
        // The runtime is linked into the program, so its module directory is usually the
        // program's own: that one is not tried twice.
        if (!app.moduleDirectory.empty() && app.moduleDirectory != app.programDirectory + "\\") {
            std::string inModuleDirectory = app.moduleDirectory + dll;
            if (HMODULE module = LoadLibraryA(inModuleDirectory.c_str())) return module;
        }
    }
    return LoadLibraryA(dll);
}

[[noreturn]] void ReportNotFound(const char* dll, const char* function) {
    std::string message(std::strlen(dll) + std::strlen(function) + 64, '\0');
    int length = *dll ? std::snprintf(message.data(), message.size(), errtext::kNativeNotFound, dll,
                                      function)
                      : std::snprintf(message.data(), message.size(), errtext::kNativeNotFoundNoDll,
                                      function);
    message.resize(size_t(length));
    ReportRuntimeError(message.c_str(), 0);
}
}  // namespace

const void* BindNativeCommand(int32_t index) {
    NativeDeclarations& natives = App().natives;
    if (index < 0 || size_t(index) >= natives.addresses.size()) ReportNotFound("", "");
    if (natives.addresses[size_t(index)]) return natives.addresses[size_t(index)];

    const char* dll = natives.dllNames[size_t(index)] ? natives.dllNames[size_t(index)] : "";
    const char* function =
        natives.functionNames[size_t(index)] ? natives.functionNames[size_t(index)] : "";
    LPCSTR exportName = ExportName(function);
    HMODULE module = nullptr;
    FARPROC address = nullptr;
    if (!*dll) {
        for (const char* candidate : kSystemDllList) {
            HMODULE loaded = LoadLibraryA(candidate);
            if (!loaded) continue;
            address = GetProcAddress(loaded, exportName);
            if (address) {
                module = loaded;
                break;
            }
            FreeLibrary(loaded);
        }
    } else {
        module = LoadNamedDll(dll);
        if (module) address = GetProcAddress(module, exportName);
    }
    if (!address) {
        // The module is released before the report, so a failed bind leaves nothing behind.
        if (module) FreeLibrary(module);
        ReportNotFound(dll, function);
    }
    natives.modules[size_t(index)] = module;
    natives.addresses[size_t(index)] = reinterpret_cast<const void*>(address);
    return natives.addresses[size_t(index)];
}

void ReleaseNativeModules() {
    NativeDeclarations& natives = App().natives;
    for (HMODULE module : natives.modules)
        if (module) FreeLibrary(module);
    natives.Clear();
}

}  // namespace kv
