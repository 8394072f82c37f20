// A program on the runtime whose one start window is the program's own template block,
// with handlers of its own. Started by the tests as a child, with a scenario name as its
// only argument, for everything that ends the process: it prints what its handlers see.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/start_window.h"
#include "corelib/library_info.h"
#include "forms/event_dispatch.h"
#include "forms/form_registry.h"
#include "forms/subroutine_result.h"
#include "runtime/forms_link.h"
#include "runtime/helper_table.h"
#include "runtime/kernel.h"
#include "runtime/library.h"
#include "runtime/program.h"

namespace {

using kv::app::kStartWindowFormId;

void CodeBaseAnchor() {}

std::string Scenario() {
    std::string line = GetCommandLineA();
    size_t blank = line.find_last_of(' ');
    return blank == std::string::npos ? "" : line.substr(blank + 1);
}

void Print(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

HWND StartWindow() {
    return kv::forms::UnitWindow(reinterpret_cast<void*>(
        kv::SystemNotify(kv::sysnotify::kFindUnit, intptr_t(kStartWindowFormId), 0)));
}

void Write(uint32_t unit, int32_t property, uint32_t value) {
    kvHelperTable.writeUnitProperty(kStartWindowFormId, unit, property, -1, int64_t(value));
}

kv::forms::SubroutineResult OnCreated() {
    Print("created hidden=" + std::to_string(!IsWindowVisible(StartWindow())));
    std::string scenario = Scenario();
    if (scenario == "read-unknown-form") {
        kvHelperTable.readUnitProperty(0x52010077, 0, 0, -1);
    } else if (scenario == "own-property-unloaded") {
        DestroyWindow(StartWindow());  // the window is gone, the template stays
        kvHelperTable.readUnitProperty(kStartWindowFormId, 0, 8, -1);
    } else if (scenario == "checked-lookup-unloaded") {
        kv::SystemNotify(kv::sysnotify::kFindUnitChecked, intptr_t(kStartWindowFormId),
                         intptr_t(0x16010077));
    } else if (scenario == "event-unknown-form") {
        kv::forms::RaiseEvent(0x52010077, 0, 0);
    } else if (scenario == "event-unknown-unit") {
        kv::forms::RaiseEvent(kStartWindowFormId, 0x16010077, 0);
    } else if (scenario == "close-only-window") {
        PostMessageA(StartWindow(), WM_CLOSE, 0, 0);
    } else if (scenario == "show-and-tick") {
        // What the program does once it has found the viewer.
        Write(0, 5, 1);
        Write(0, 9, 0);
        Write(0, 5, 1);
        Write(kv::app::kHostTimerUnitId, 8, 100);
    }
    return kv::forms::kNoValue;
}

kv::forms::SubroutineResult OnTimerTick() {
    HWND window = StartWindow();
    RECT r;
    GetWindowRect(window, &r);
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    HWND button = FindWindowExA(window, nullptr, "Button", nullptr);
    char caption[16] = {};
    GetWindowTextA(button, caption, sizeof caption);
    bool caption_bits = (GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) != 0;
    Print("tick visible=" + std::to_string(IsWindowVisible(window) != 0) +
          " size=" + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
          " caption=" + std::to_string(caption_bits) + " title=" + title + " button=" + caption);
    Write(kv::app::kHostTimerUnitId, 8, 0);
    PostMessageA(window, WM_CLOSE, 0, 0);
    return kv::forms::kNoValue;
}

kv::forms::SubroutineResult OnDestroy() {
    Print("destroy");
    return kv::forms::kNoValue;
}

kv::forms::SubroutineResult OnRepairClick() {
    return kv::forms::kNoValue;
}

uintptr_t CodeBase() {
    return reinterpret_cast<uintptr_t>(&CodeBaseAnchor);
}

const std::vector<uint8_t> kTemplateBlock = kv::app::BuildStartWindowBlock(
    CodeBase(),
    {reinterpret_cast<const void*>(&OnCreated), reinterpret_cast<const void*>(&OnDestroy),
     reinterpret_cast<const void*>(&OnRepairClick), reinterpret_cast<const void*>(&OnTimerTick)});

const kv::LibraryInfo* const kLibraries[] = {&kv::core::kCoreLibraryInfo};

}  // namespace

extern "C" const kv::ProgramInfo kvProgramInfo = {3,
                                                  0,
                                                  0,
                                                  CodeBase(),
                                                  nullptr,
                                                  0,
                                                  kTemplateBlock.data(),
                                                  uint32_t(kTemplateBlock.size()),
                                                  1,
                                                  kLibraries,
                                                  0,
                                                  nullptr,
                                                  nullptr};

extern "C" int kvProgramEntry() {
    kv::RuntimeService(kv::kLoadProgramInfo);
    kvHelperTable.loadStartWindow(kStartWindowFormId);
    kvHelperTable.runMessageLoop();
    Print("loop returned");
    return 0;
}
