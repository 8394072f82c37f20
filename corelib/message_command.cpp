// ShowMessage: a modal message box showing any basic value as text.
#include <windows.h>

#include <string>

#include "corelib/arguments.h"
#include "corelib/commands.h"
#include "corelib/system_notify.h"
#include "corelib/value_text.h"
#include "framework/window.h"

namespace kv::core {
namespace {

constexpr const char* kDefaultCaption = "信息：";

// The owner named by the fourth argument: a window unit (its form's window, when loaded) or
// a window handle given as an integer.
HWND OwnerWindow(const ArgValue& owner) {
    if (owner.type == tag::kWindowType) {
        auto* window = reinterpret_cast<fw::Window*>(
            CallSystemNotify(sysnotify::kFindUnit, intptr_t(owner.value.words[0]), 0));
        return window ? window->handle() : nullptr;
    }
    if (owner.type == tag::kInt) return reinterpret_cast<HWND>(intptr_t(owner.value.i32));
    return nullptr;
}

// The pressed button's identifier minus one (OK 0 ... No 6); anything else 0.
int32_t ButtonNumber(int pressed) {
    return pressed >= IDOK && pressed <= IDNO ? pressed - 1 : 0;
}

}  // namespace

void KV_CDECL ShowMessage(ArgValue* result, int32_t count, ArgValue* args) {
    const std::string text = count > 0 ? ValueToText(args[0]) : std::string();
    UINT style = IsGiven(count, args, 1) ? UINT(IntegerArgument(args[1])) : 0;
    const char* caption = IsGiven(count, args, 2) ? TextAt(count, args, 2) : kDefaultCaption;
    const HWND owner = count >= 4 ? OwnerWindow(args[3]) : nullptr;
    // Every box is at least task-modal. The bit is set, not added, so a caller that already
    // asked for task-modal does not get a Help button instead.
    if (!(style & MB_SYSTEMMODAL)) style |= MB_TASKMODAL;
    SetInteger(result, ButtonNumber(MessageBoxA(owner, text.c_str(), caption, style)));
}

}  // namespace kv::core
