// The core library's data-type array. The window, button and timer records belong to the
// forms layer; the COM object record has neither properties nor an interface function.
#include "corelib/library_info.h"

namespace kv::core {
namespace {

constexpr uint32_t kObjectTypeFlags = 0x80000000;

constexpr UnitTypeRecord ComObjectType() {
    UnitTypeRecord record{};
    record.name = "对象";
    record.englishName = "ComObject";
    record.flags = kObjectTypeFlags;
    return record;
}

}  // namespace

// Type numbers are 1-based: the record of type n sits at index n - 1.
// clang-format off
const UnitTypeRecord kCoreDataTypes[unittype::kCoreTypeCount] = {
    forms::kWindowUnitType,                      // 1
    {}, {}, {}, {}, {}, {}, {}, {}, {},          // 2-10
    forms::kButtonUnitType,                      // 11
    {}, {}, {}, {}, {}, {}, {}, {}, {}, {},      // 12-21
    {}, {}, {}, {}, {}, {}, {}, {}, {}, {},      // 22-31
    forms::kTimerUnitType,                       // 32
    {}, {}, {}, {}, {}, {}, {}, {}, {}, {},      // 33-42
    {}, {}, {}, {}, {},                          // 43-47
    ComObjectType(),                             // 48
    {}, {}, {},                                  // 49-51
};
// clang-format on

}  // namespace kv::core
