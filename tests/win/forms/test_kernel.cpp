#include "tests/win/forms/test_kernel.h"

#include <utility>

#include "corelib/library_info.h"
#include "forms/template_writer.h"
#include "runtime/forms_link.h"
#include "runtime/helper_table.h"
#include "runtime/program.h"
#include "runtime/runtime_app.h"

namespace kv::test {
namespace {

void CodeBaseAnchor() {}

std::vector<Call>& CallList() {
    static std::vector<Call> calls;
    return calls;
}
forms::SubroutineResult results[16];

template <int Tag>
uint64_t TaggedHandler(uint32_t a, uint32_t b, uint32_t c) {
    CallList().push_back({Tag, {a, b, c}});
    return results[Tag];
}

template <int... Tags>
const void* HandlerFor(int tag, std::integer_sequence<int, Tags...>) {
    static const void* table[] = {reinterpret_cast<const void*>(&TaggedHandler<Tags>)...};
    return table[tag];
}

const LibraryInfo* const kLibraries[] = {&core::kCoreLibraryInfo};

}  // namespace

uintptr_t CodeBase() {
    return reinterpret_cast<uintptr_t>(&CodeBaseAnchor);
}

uint32_t HandlerWord(const void* handler) {
    return handler ? uint32_t(reinterpret_cast<uintptr_t>(handler) - CodeBase())
                   : forms::kNoHandlerWord;
}

void StartRuntime() {
    static bool started = false;
    if (!started) RuntimeService(kLoadProgramInfo);
    started = true;
}

void InstallForms(const std::vector<std::pair<uint32_t, const forms::FormTemplate*>>& list) {
    StartRuntime();
    forms::DestroyLoadedWindows();
    forms::ReleaseTemplates();
    std::vector<forms::FormToWrite> toWrite;
    for (const auto& [id, form] : list) toWrite.push_back({id, form});
    std::vector<uint8_t> block = forms::WriteTemplateBlock(toWrite);
    forms::ReadTemplateBlock(block.data(), uint32_t(block.size()), CodeBase());
}

void SetBuildKind(uint32_t kind) {
    App().buildKind = kind;
}

void PumpPending() {
    ProcessPendingMessages();
}

void PumpFor(DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        PumpPending();
        Sleep(5);
    }
}

std::vector<Call>& Calls() {
    return CallList();
}

void SetHandlerResult(int tag, forms::SubroutineResult result) {
    results[tag] = result;
}

void ResetHandlers() {
    CallList().clear();
    for (auto& r : results) r = forms::kNoValue;
}

const void* Handler(int tag) {
    return HandlerFor(tag, std::make_integer_sequence<int, 16>());
}

std::vector<int> CalledTags() {
    std::vector<int> tags;
    for (const Call& c : CallList()) tags.push_back(c.tag);
    return tags;
}

}  // namespace kv::test

// The test program's information: build kind 3 as in the real program, the core library
// (whose data types are the unit types); templates are installed by each test.
extern "C" const kv::ProgramInfo kvProgramInfo = {
    3, 0,       0,      kv::test::CodeBase(), nullptr, 0, nullptr, 0, 1, kv::test::kLibraries,
    0, nullptr, nullptr};

// This test program drives the runtime from its tests; the process entry is not linked.
extern "C" int kvProgramEntry() {
    return 0;
}
