// Stand-ins for the forms layer's unit type records, so that the core library's data-type
// array links without the kernel. Distinct names let a test tell the records apart.
#include "forms/unit_type.h"

namespace kv::forms {

const UnitTypeRecord kWindowUnitType = {"窗口", "window", {}, 0, {}, 0, nullptr, nullptr, {}};
const UnitTypeRecord kButtonUnitType = {"按钮", "Button", {}, 0, {}, 0, nullptr, nullptr, {}};
const UnitTypeRecord kTimerUnitType = {"时钟", "Timer", {}, 0, {}, 0, nullptr, nullptr, {}};

}  // namespace kv::forms
