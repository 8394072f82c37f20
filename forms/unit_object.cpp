#include "forms/unit_object.h"

#include "runtime/kernel.h"
#include "runtime/library.h"

namespace kv::forms {

void UnitObject::ReleaseChildUnit() {
    SystemNotify(sysnotify::kUnitDestroyed, intptr_t(formId_), intptr_t(unitId_));
    delete this;
}

}  // namespace kv::forms
