// The forms layer's share of the runtime state: the form map, the loaded windows, the
// current modal form and the idle-exclusion list.
#pragma once

#include <windows.h>

#include <vector>

#include "forms/template_model.h"
#include "forms/unit_type.h"

namespace kv::forms {

class WindowUnit;

FormMap& Forms();

// Loaded windows, in load order. A window is listed from its creation until its object goes.
std::vector<WindowUnit*>& LoadedWindows();
void AddLoadedWindow(WindowUnit* window);
void RemoveLoadedWindow(WindowUnit* window);
// True while the window of any loaded window unit exists.
bool AnyWindowLoaded();

// The form of the window loaded modally and shown, or 0.
uint32_t& CurrentModalForm();
// Windows that said no to further idle events in this idle period.
std::vector<HWND>& IdleExclusions();

// The unit type record of a UnitTypeId (through SystemNotify 1002), or null.
const UnitTypeRecord* TypeRecordOf(uint32_t typeId);

// The window of a unit object (a framework window object), or null.
HWND UnitWindow(const void* object);
// True when the entry's object exists and its window too.
bool IsLive(const UnitEntry& entry);

}  // namespace kv::forms
