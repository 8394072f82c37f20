// A small stand-in for the runtime kernel, enough to run the forms layer in test programs:
// SystemNotify with memory and unit services, a message loop with pre-translation, the
// event-handler call, a core library whose data types are the three unit types, and
// helpers to run a scenario in a child process (for paths that end the process).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
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
// The main loop: marks the loop entered and runs until the quit message; its code.
int RunMessageLoop();

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

// Child processes: the same test program, started to run one named scenario.
struct ChildResult {
    DWORD exitCode;
    std::string output;
};
ChildResult RunChild(const char* scenario);
// Scenarios are looked up by name in the child; prints go to the parent's capture.
using Scenario = int (*)();
struct NamedScenario {
    const char* name;
    Scenario run;
};

}  // namespace kv::test
