#include "app/start_window.h"

#include <cstring>

#include "forms/font_block.h"
#include "forms/property_blocks.h"
#include "forms/template_writer.h"
#include "forms/unit_type.h"

namespace kv::app {
namespace {

// A cursor block holding cursor number 0: no cursor of its own. A function rather than a
// global object: the program builds its template block while globals are initialised, in
// an order across files that nothing fixes.
std::vector<uint8_t> NoCursor() {
    return {0, 0, 0, 0};
}

forms::UnitEntry StartWindowUnit(uint32_t onCreated, uint32_t onDestroy) {
    forms::WindowProperties p;
    p.title = "Tavi照片查看器";
    p.border = 0;
    p.backColor = 0x000000FF;  // red
    p.maxButton = 1;
    p.minButton = 1;
    p.controlBox = 1;
    p.position = 1;  // centred on the screen
    p.movable = 1;
    p.escCloses = 1;
    p.showInTaskbar = 1;
    p.moveByAnyPoint = 1;

    forms::UnitEntry u;
    u.id = kStartWindowUnitId;
    u.type = unittype::kWindow;
    u.left = 50, u.top = 50, u.width = 104, u.height = 41;
    u.cursorBlock = NoCursor();
    u.state = 0;  // hidden until the program shows it
    u.bindings = {{0, onCreated}, {2, onDestroy}};
    u.typeData = p.Store();
    return u;
}

forms::UnitEntry HostTimerUnit(uint32_t onTick) {
    forms::UnitEntry u;
    u.id = kHostTimerUnitId;
    u.type = unittype::kTimer;
    u.name = "时钟1";
    u.left = 64, u.top = 8, u.width = 32, u.height = 24;
    u.cursorBlock = NoCursor();
    u.bindings = {{0, onTick}};
    return u;  // empty type data: interval 0, stopped
}

forms::UnitEntry RepairButtonUnit(uint32_t onClick) {
    forms::FontBlock font;
    font.height = -12;
    font.weight = 700;  // bold
    font.charSet = 134;
    // The face name stays empty: the system picks the face.

    forms::ButtonProperties p;
    p.caption = "修复";
    p.font = forms::FontToBytes(font);

    forms::UnitEntry u;
    u.id = kRepairButtonUnitId;
    u.type = unittype::kButton;
    u.name = "按钮1";
    u.left = 4, u.top = 4, u.width = 96, u.height = 32;
    u.cursorBlock = NoCursor();
    u.state = forms::state::kVisible | forms::state::kTabStop | 0x10;
    u.bindings = {{0, onClick}};
    u.typeData = p.Store();
    return u;
}

}  // namespace

forms::FormTemplate StartWindowTemplate(uint32_t onCreated, uint32_t onDestroy,
                                        uint32_t onRepairClick, uint32_t onTimerTick) {
    forms::FormTemplate form;
    form.word0 = 0x0251C480;
    form.word1 = 0x19010003;
    // List order is also the final Z order: the timer above the button.
    form.units = {StartWindowUnit(onCreated, onDestroy), HostTimerUnit(onTimerTick),
                  RepairButtonUnit(onRepairClick)};
    return form;
}

uint32_t HandlerWord(const void* handler, uintptr_t codeBase) {
    if (!handler) return forms::kNoHandlerWord;
    return uint32_t(reinterpret_cast<uintptr_t>(handler) - codeBase);
}

std::vector<uint8_t> BuildStartWindowBlock(uintptr_t codeBase,
                                           const StartWindowHandlers& handlers) {
    forms::FormTemplate form =
        StartWindowTemplate(HandlerWord(handlers.onStartWindowCreated, codeBase),
                            HandlerWord(handlers.onStartWindowDestroy, codeBase),
                            HandlerWord(handlers.onRepairButtonClick, codeBase),
                            HandlerWord(handlers.onHostTimerTick, codeBase));
    return forms::WriteTemplateBlock({{kStartWindowFormId, &form}});
}

}  // namespace kv::app
