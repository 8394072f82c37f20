// Event delivery: finding the handler a form binds to a unit's event and calling it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "forms/event_record.h"

namespace kv::forms {

// What came of raising an event.
struct EventOutcome {
    bool ran = false;       // a handler was called
    bool hasValue = false;  // it returned a value
    int32_t value = 0;
};

// Raises an event through SystemNotify 2008 and reads the record back; at most five
// argument words are passed.
EventOutcome RaiseEvent(uint32_t formId, uint32_t unitId, int32_t event, const uint32_t* arguments,
                        size_t count);
inline EventOutcome RaiseEvent(uint32_t formId, uint32_t unitId, int32_t event,
                               std::initializer_list<uint32_t> arguments = {}) {
    return RaiseEvent(formId, unitId, event, arguments.begin(), arguments.size());
}

// SystemNotify 2008 / 2031: 1 when a handler ran, else 0.
intptr_t DeliverEvent(EventRecord* record);
intptr_t DeliverEventArgs(EventArgsRecord* record);
// SystemNotify 2017: copies the running handler's form and unit; 1, or 0 when none runs.
intptr_t CopyEventSource(uint32_t* buffer);

}  // namespace kv::forms
