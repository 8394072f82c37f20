// The window unit's first show and its modal run: disabling the other windows, the modal
// loop, and enabling them again.
#include "forms/form_registry.h"
#include "forms/window_unit.h"
#include "runtime/kernel.h"

namespace kv::forms {

bool WindowUnit::ShowFromProgram() {
    HWND h = handle();
    if (shown_) {
        ShowWindow(h, SW_SHOW);
        return false;
    }
    shown_ = true;
    int command = SW_SHOW;
    if (!forced_ && BuildKind() != 0) {
        command = props_.position == 3   ? SW_SHOWMAXIMIZED
                  : props_.position == 2 ? SW_SHOWMINIMIZED
                                         : SW_SHOW;
    }
    // Showing raises events whose handlers may close the window and so delete this object.
    ShowWindow(h, command);
    if (!StillAlive(h, this)) return false;
    uint32_t unitId = 0;
    HWND focus = GetFocus();
    if (focus && FormUnitAt(focus, &unitId)) RaiseEvent(formId(), unitId, -7);
    return StillAlive(h, this);
}

void WindowUnit::RunModal() {
    const HWND h = handle();
    // The flag lives here, not in the object, which is deleted with its window.
    volatile bool running = true;
    modalRun_ = &running;
    CurrentModalForm() = formId();
    RunModalLoop(&running);
    // The loop also ends on the quit message, with the window still there.
    if (StillAlive(h, this)) modalRun_ = nullptr;
}

void WindowUnit::DisableOthersForModalRun() {
    const HWND h = handle();
    // EnableWindow dispatches focus events whose handlers may load or close windows, this
    // one included: work on a snapshot of the handles and skip windows that died.
    std::vector<HWND> others;
    for (WindowUnit* other : LoadedWindows()) {
        if (other != this) others.push_back(other->handle());
    }
    for (HWND o : others) {
        if (!o || !IsWindow(o) || GetParent(o) || !IsWindowEnabled(o)) continue;
        EnableWindow(o, FALSE);
        if (!StillAlive(h, this)) {
            // Gone, this window can no longer enable it again when it closes.
            EnableWindow(o, TRUE);
            return;
        }
        disabledWindows_.push_back(o);
    }
}

void WindowUnit::ReenableDisabledWindows() {
    for (HWND o : disabledWindows_) {
        if (IsWindow(o)) EnableWindow(o, TRUE);
    }
    disabledWindows_.clear();
}

}  // namespace kv::forms
