// How units hand events to the runtime (SystemNotify 2008 and 2031).
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace kv::forms {

// 11 words: the raiser zeroes the result fields and reads them after the call.
struct EventRecord {
    uint32_t form;
    uint32_t unit;  // 0 = the window's own unit
    int32_t event;
    uint32_t argumentCount;  // 0 to 5
    uint32_t arguments[5];
    uint32_t resultFlag;  // 1 when the handler returned a value
    uint32_t result;
};
static_assert(sizeof(EventRecord) == 44, "an event record is 11 words");

// The EventArg form: arguments as EventArg records, a 64-bit result. A handler reached
// this way is expected to return its value, so the result flag is set whenever it ran.
struct EventArgsRecord {
    uint32_t form;
    uint32_t unit;
    int32_t event;
    uint32_t argumentCount;
    const EventArg* arguments;
    uint32_t resultFlag;
    int64_t result;
};

}  // namespace kv::forms
