// Commands on the program's windows: letting pending messages run and reaching a window
// unit's native window.
#include <windows.h>

#include "corelib/arguments.h"
#include "corelib/commands.h"
#include "corelib/system_notify.h"
#include "framework/window.h"

namespace kv::core {
namespace {

// The native window of a window-unit reference (FormId low, UnitId high). The kernel ends
// the program when the unit does not exist; null only when no kernel answered.
HWND UnitWindow(int32_t count, const ArgValue* args) {
    if (count < 1) return nullptr;
    auto* window = reinterpret_cast<fw::Window*>(
        CallSystemNotify(sysnotify::kFindUnitChecked, intptr_t(args[0].value.words[0]),
                         intptr_t(args[0].value.words[1])));
    return window ? window->handle() : nullptr;
}

}  // namespace

void KV_CDECL ProcessEvents(ArgValue* /*result*/, int32_t /*count*/, ArgValue* /*args*/) {
    CallSystemNotify(sysnotify::kProcessMessages);
}

void KV_CDECL GetWindowHandle(ArgValue* result, int32_t count, ArgValue* args) {
    // Window handles carry 32 significant bits on every Windows target.
    SetInteger(result, int32_t(reinterpret_cast<intptr_t>(UnitWindow(count, args))));
}

void KV_CDECL ActivateWindow(ArgValue* /*result*/, int32_t count, ArgValue* args) {
    if (HWND window = UnitWindow(count, args)) SetActiveWindow(window);
}

}  // namespace kv::core
