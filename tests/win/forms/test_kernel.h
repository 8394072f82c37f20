// Helpers for test programs that run the forms layer on the real runtime kernel: their own
// templates with handlers bound relative to a code base of the test program, the kernel's
// message pumping, and tagged handlers that record their calls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "forms/subroutine_result.h"
#include "forms/template_model.h"

namespace kv::test {

// The code base the test templates' handler offsets are relative to.
uintptr_t CodeBase();
uint32_t HandlerWord(const void* handler);

// Replaces the form map with the templates of `forms`.
void InstallForms(const std::vector<std::pair<uint32_t, const forms::FormTemplate*>>& forms);

void SetBuildKind(uint32_t kind);

// Loads the program information of the test program once (RuntimeService 6).
void StartRuntime();

// Dispatches queued messages through pre-translation.
void PumpPending();
void PumpFor(DWORD milliseconds);
template <typename Predicate>
bool PumpUntil(Predicate done, DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > milliseconds) return false;
        PumpPending();
        Sleep(5);
    }
    return true;
}

// One handler call seen by the test handlers.
struct Call {
    int tag;
    uint32_t args[3];
};
std::vector<Call>& Calls();
// What the handler with `tag` returns (kNoValue unless set).
void SetHandlerResult(int tag, forms::SubroutineResult result);
void ResetHandlers();
// The handler routine for `tag` (0-15), to be bound in a template.
const void* Handler(int tag);
// Tags of the calls so far, in order.
std::vector<int> CalledTags();

}  // namespace kv::test
