#include "forms/event_dispatch.h"

#include "forms/form_registry.h"
#include "forms/subroutine_result.h"
#include "forms/unit_interfaces.h"
#include "runtime/kernel.h"
#include "runtime/library.h"

namespace kv::forms {
namespace {

struct EventSource {
    uint32_t form = 0;
    uint32_t unit = 0;
} source;

// The handler bound to (form, unit, event), or null; the lookup failures are fatal.
const void* FindHandler(uint32_t formId, uint32_t unitId, int32_t event) {
    if (EventBlockCount() >= 1) return nullptr;
    FormTemplate* form = Forms().Find(formId);
    if (!form) ReportRuntimeError("未找到引发事件的窗口", 0);
    int index = UnitIndex(*form, unitId);
    if (index < 0) ReportRuntimeError("未找到引发事件的窗口组件", 0);
    const UnitEntry& found = form->units[size_t(index)];
    // Follow event owners of the same type; a chain that loops ends where it started.
    const UnitEntry* bound = &found;
    for (size_t steps = 0; bound->eventOwner != 0 && steps < form->units.size(); ++steps) {
        int owner = UnitIndex(*form, bound->eventOwner);
        if (owner < 0 || form->units[size_t(owner)].type != found.type) break;
        bound = &form->units[size_t(owner)];
    }
    const UnitTypeRecord* type = TypeRecordOf(found.type);
    if (!type || !(type->flags & typeflag::kRaisesEvents)) {
        ReportRuntimeError("引发事件的窗口组件无效", 0);
    }
    uintptr_t handler = 0;
    if (found.type == kMenuItemType) {
        handler = bound->menuHandler;
    } else {
        for (const auto& binding : bound->bindings) {
            if (binding.event == event) {
                handler = binding.handler;
                break;
            }
        }
    }
    if (!handler) return nullptr;
    source.form = formId;
    source.unit = unitId ? unitId : form->units[0].id;
    return reinterpret_cast<const void*>(handler);
}

}  // namespace

EventOutcome RaiseEvent(uint32_t formId, uint32_t unitId, int32_t event, const uint32_t* arguments,
                        size_t count) {
    EventRecord record{};
    record.form = formId;
    record.unit = unitId;
    record.event = event;
    for (size_t i = 0; i < count && i < 5; ++i)
        record.arguments[record.argumentCount++] = arguments[i];
    EventOutcome outcome;
    outcome.ran = SystemNotify(sysnotify::kDeliverEvent, reinterpret_cast<intptr_t>(&record), 0);
    outcome.hasValue = record.resultFlag == 1;
    outcome.value = int32_t(record.result);
    return outcome;
}

intptr_t DeliverEvent(EventRecord* record) {
    record->resultFlag = 0;
    record->result = 0;
    const void* handler = FindHandler(record->form, record->unit, record->event);
    if (!handler) return 0;
    EventArg args[5] = {};
    uint32_t count = record->argumentCount > 5 ? 5 : record->argumentCount;
    for (uint32_t i = 0; i < count; ++i) {
        args[i].value.i32 = int32_t(record->arguments[i]);
        args[i].type = tag::kInt;
    }
    int64_t result = 0;
    CallSubroutine(handler, args, int(count), &result);
    source.form = 0;
    if (HasValue(SubroutineResult(result))) {
        record->resultFlag = 1;
        record->result = uint32_t(ValueOf(SubroutineResult(result)));
    }
    return 1;
}

intptr_t DeliverEventArgs(EventArgsRecord* record) {
    record->resultFlag = 0;
    record->result = 0;
    const void* handler = FindHandler(record->form, record->unit, record->event);
    if (!handler) return 0;
    int64_t result = 0;
    CallSubroutine(handler, record->arguments, int(record->argumentCount), &result);
    source.form = 0;
    record->resultFlag = 1;
    record->result = result;
    return 1;
}

intptr_t CopyEventSource(uint32_t* buffer) {
    if (source.form == 0) return 0;
    buffer[0] = source.form;
    buffer[1] = source.unit;
    return 1;
}

}  // namespace kv::forms
