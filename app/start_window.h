// The program's own template block: its one start window with the timer "时钟1" and the
// button "按钮1", described in start_window.cpp and serialized at start-up, because the
// four event handlers are bound by their offsets from the program's code base.
//
// Use (in the program, before the kernel loads the program information):
//
//     static std::vector<uint8_t> block;
//     block = kv::app::BuildStartWindowBlock(codeBase, {&OnStartWindowCreated,
//                                                       &OnStartWindowDestroy,
//                                                       &OnRepairButtonClick,
//                                                       &OnHostTimerTick});
//     programInfo.formTemplateBlock = block.data();        // word 6
//     programInfo.formTemplateLength = block.size();       // word 7
//
// `codeBase` must be the same address as ProgramInfo word 3, and every handler must lie
// within 2 GB of it (always true for functions of the same program image). A null handler
// leaves its event unbound. Handlers are program subroutines called by the kernel with the
// event's argument words; see forms/subroutine_result.h for what they return.
#pragma once

#include <cstdint>
#include <vector>

#include "forms/template_model.h"

namespace kv::app {

constexpr uint32_t kStartWindowFormId = 0x52010001;
constexpr uint32_t kStartWindowUnitId = 0x06010000;
constexpr uint32_t kHostTimerUnitId = 0x16011A70;
constexpr uint32_t kRepairButtonUnitId = 0x16010002;

struct StartWindowHandlers {
    const void* onStartWindowCreated = nullptr;  // window event 0
    const void* onStartWindowDestroy = nullptr;  // window event 2
    const void* onRepairButtonClick = nullptr;   // button event 0
    const void* onHostTimerTick = nullptr;       // timer event 0
};

// The start window's template, handlers given as stored words (offsets or "none").
forms::FormTemplate StartWindowTemplate(uint32_t onCreated, uint32_t onDestroy,
                                        uint32_t onRepairClick, uint32_t onTimerTick);

// The stored word for a handler: its offset from the code base, or "none" for null.
uint32_t HandlerWord(const void* handler, uintptr_t codeBase);

// The whole template block of the program.
std::vector<uint8_t> BuildStartWindowBlock(uintptr_t codeBase, const StartWindowHandlers& handlers);

}  // namespace kv::app
