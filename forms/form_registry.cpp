#include "forms/form_registry.h"

#include <algorithm>

#include "forms/window_unit.h"
#include "framework/window.h"
#include "runtime/kernel.h"
#include "runtime/library.h"

namespace kv::forms {

FormMap& Forms() {
    static FormMap map;
    return map;
}

std::vector<WindowUnit*>& LoadedWindows() {
    static std::vector<WindowUnit*> windows;
    return windows;
}

void AddLoadedWindow(WindowUnit* window) {
    auto& list = LoadedWindows();
    if (std::find(list.begin(), list.end(), window) == list.end()) list.push_back(window);
}

void RemoveLoadedWindow(WindowUnit* window) {
    auto& list = LoadedWindows();
    list.erase(std::remove(list.begin(), list.end(), window), list.end());
}

bool AnyWindowLoaded() {
    for (WindowUnit* window : LoadedWindows()) {
        HWND h = UnitWindow(window);
        if (h && IsWindow(h)) return true;
    }
    return false;
}

uint32_t& CurrentModalForm() {
    static uint32_t form = 0;
    return form;
}

std::vector<HWND>& IdleExclusions() {
    static std::vector<HWND> list;
    return list;
}

const UnitTypeRecord* TypeRecordOf(uint32_t typeId) {
    return reinterpret_cast<const UnitTypeRecord*>(
        SystemNotify(sysnotify::kDataTypeRecord, intptr_t(typeId), 0));
}

HWND UnitWindow(const void* object) {
    return object ? static_cast<const fw::Window*>(object)->handle() : nullptr;
}

bool IsLive(const UnitEntry& entry) {
    HWND window = UnitWindow(entry.object);
    return window && IsWindow(window);
}

}  // namespace kv::forms
