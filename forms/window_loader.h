// Loading a window: turning one form template into live windows.
#pragma once

#include <windows.h>

#include "forms/template_model.h"

namespace kv::forms {

// Loads `form` (or only restores / activates it when loaded and `forcedShow` is off).
// Answers 1 when loaded or activated, 0 when it failed.
int LoadWindow(FormTemplate* form, bool forcedShow, bool modal, HWND owner);

// Creates the unit at `index` of a loaded form again from its current properties, in
// place (same parent, control ID, position and Z order). False when it failed.
bool RecreateUnit(FormTemplate* form, size_t index);

// The unit list is back to its state before the load (the window unit is gone).
void RestorePristineUnits(FormTemplate* form);

}  // namespace kv::forms
