// The kernel's message loop, its idle processing and the pre-translation of messages.
#include "framework/window.h"
#include "runtime/forms_link.h"
#include "runtime/runtime_app.h"
#include "runtime/runtime_error.h"

namespace kv {
namespace {
// Asks a window without a framework object for the object that handles it.
constexpr UINT kQueryWindowObject = 0x8002;

bool OwnedByThisProcess(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}
}  // namespace

void RuntimeApp::RunIdleRoutines() {
    // Last to first; a routine may register or remove entries, so the index is re-checked.
    for (size_t i = idleRoutines.size(); i-- > 0;) {
        if (i >= idleRoutines.size()) continue;
        IdleRoutineRecord entry = idleRoutines[i];
        if (IsWindow(entry.window))
            entry.routine(entry.parameter);
        else
            idleRoutines.erase(idleRoutines.begin() + ptrdiff_t(i));
    }
}

void RuntimeApp::RunLoop(volatile bool* modalFlag) {
    bool idle = true;
    long idleCount = 0;
    // Read before any peek has succeeded when the idle work ends on an empty queue.
    MSG next{};
    for (;;) {
        while (idle && !PeekMessageA(&next, nullptr, 0, 0, PM_NOREMOVE)) {
            RunIdleRoutines();
            idle = OnIdle(idleCount++);
            if (modalFlag && !*modalFlag) return;
        }
        do {
            // A modal loop leaves the quit message to the main loop.
            if (modalFlag && next.message == WM_QUIT) return;
            if (!PumpMessage()) {
                if (modalFlag) PostQuitMessage(int(CurrentMessage().wParam));
                return;
            }
            if (modalFlag && !*modalFlag) return;
            if (IsIdleMessage(CurrentMessage())) {
                idle = true;
                idleCount = 0;
            }
        } while (PeekMessageA(&next, nullptr, 0, 0, PM_NOREMOVE));
    }
}

bool RuntimeApp::OnIdle(long count) {
    if (count == 0) {
        frameworkIdlePending_ = true;
        idleStart_ = GetTickCount();
        forms::BeginIdlePeriod();
    }
    if (frameworkIdlePending_) {
        frameworkIdlePending_ = fw::Application::OnIdle(count);
        return true;
    }
    if (count == 1) return true;
    return forms::FireIdleEvents(GetTickCount() - idleStart_);
}

bool RuntimeApp::PreTranslateMessage(MSG* message) {
    // The framework handles no thread messages: a message without a window is dispatched.
    // The runtime designates no main window, so the walk runs to the end of the chain.
    for (HWND window = message->hwnd; window; window = GetParent(window)) {
        fw::Window* object = fw::Window::FromHandle(window);
        // Only windows of this process can answer with an object address valid here.
        if (!object && OwnedByThisProcess(window))
            object = reinterpret_cast<fw::Window*>(SendMessageA(window, kQueryWindowObject, 0, 0));
        if (object && object->PreTranslateMessage(message)) return true;
    }
    return false;
}

void RunMessageLoop() {
    RuntimeApp& app = App();
    app.loopEntered = true;
    if (forms::AnyLoadedWindowExists()) app.RunLoop(nullptr);
}

void RunModalLoop(volatile bool* modalFlag) {
    App().RunLoop(modalFlag);
}

void LoadStartWindow(uint32_t formId) {
    if (!forms::LoadStartWindow(formId)) ReportRuntimeError(errtext::kStartWindow, 0);
}

void ProcessPendingMessages() {
    MSG next;
    while (PeekMessageA(&next, nullptr, 0, 0, PM_NOREMOVE) && next.message != WM_QUIT) {
        if (!App().PumpMessage()) break;
    }
}

void RegisterIdleRoutine(const IdleRoutineRecord& record) {
    RuntimeApp& app = App();
    if (!record.routine || !IsWindow(record.window)) return;
    for (const IdleRoutineRecord& entry : app.idleRoutines)
        if (entry.window == record.window) return;
    app.idleRoutines.push_back(record);
}

void RemoveIdleRoutine(HWND window) {
    auto& routines = App().idleRoutines;
    for (size_t i = 0; i < routines.size(); ++i) {
        if (routines[i].window == window) {
            routines.erase(routines.begin() + ptrdiff_t(i));
            return;
        }
    }
}

}  // namespace kv
