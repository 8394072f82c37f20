// Building blocks for the test programs' own form templates.
#pragma once

#include <windows.h>

#include <string>

#include "forms/property_blocks.h"
#include "forms/template_model.h"
#include "forms/unit_type.h"
#include "tests/win/forms/test_kernel.h"

namespace kv::test {

constexpr uint32_t kFormId = 0x52010010;
constexpr uint32_t kWindowId = 0x06010000;

inline forms::EventBinding Bind(int32_t event, int tag) {
    return {event, HandlerWord(Handler(tag))};
}

inline forms::UnitEntry WindowEntry(const forms::WindowProperties& p, uint32_t state,
                                    std::vector<forms::EventBinding> bindings = {}) {
    forms::UnitEntry u;
    u.id = kWindowId;
    u.type = unittype::kWindow;
    u.left = 50, u.top = 60, u.width = 200, u.height = 120;
    u.state = state;
    u.bindings = std::move(bindings);
    u.typeData = p.Store();
    return u;
}

inline forms::UnitEntry ButtonEntry(uint32_t id, const std::string& caption, RECT r,
                                    std::vector<forms::EventBinding> bindings = {},
                                    uint32_t state = 0x5) {
    forms::ButtonProperties p;
    p.caption = caption;
    forms::UnitEntry u;
    u.id = id;
    u.type = unittype::kButton;
    u.name = caption;
    u.left = r.left, u.top = r.top, u.width = r.right, u.height = r.bottom;
    u.state = state;
    u.bindings = std::move(bindings);
    u.typeData = p.Store();
    return u;
}

inline forms::UnitEntry TimerEntry(uint32_t id, int32_t interval,
                                   std::vector<forms::EventBinding> bindings = {}) {
    forms::UnitEntry u;
    u.id = id;
    u.type = unittype::kTimer;
    u.left = 0, u.top = 0, u.width = 32, u.height = 32;
    u.bindings = std::move(bindings);
    if (interval) {
        forms::TimerProperties p;
        p.interval = interval;
        u.typeData = p.Store();
    }
    return u;
}

inline std::string WindowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

inline std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

}  // namespace kv::test
