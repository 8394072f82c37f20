// The type records of the window, button and timer units: names, flags, property kinds and
// the interface functions that hand out their routines.
#include <cstring>
#include <vector>

#include "forms/button_unit.h"
#include "forms/font_block.h"
#include "forms/timer_unit.h"
#include "forms/unit_type.h"
#include "forms/window_unit.h"
#include "runtime/kernel.h"
#include "runtime/library.h"

namespace kv::forms {
namespace {

constexpr UnitPropertyRecord Common(uint16_t k) {
    return {nullptr, nullptr, nullptr, k, kCommonPropertyFlags, nullptr};
}
constexpr UnitPropertyRecord Own(uint16_t k) {
    return {nullptr, nullptr, nullptr, k, kOwnPropertyFlags, nullptr};
}

// Properties 0-7 of every unit type.
#define KV_COMMON_PROPERTIES                                                 \
    Common(kind::kInteger), Common(kind::kInteger), Common(kind::kInteger),  \
        Common(kind::kInteger), Common(kind::kText), Common(kind::kLogical), \
        Common(kind::kLogical), Common(kind::kCursor)

constexpr UnitPropertyRecord kWindowProperties[] = {
    KV_COMMON_PROPERTIES, Own(kind::kText),     Own(kind::kChoice),  Own(kind::kBackColor),
    Own(kind::kPicture),  Own(kind::kChoice),   Own(kind::kSound),   Own(kind::kChoice),
    Own(kind::kLogical),  Own(kind::kLogical),  Own(kind::kLogical), Own(kind::kChoice),
    Own(kind::kLogical),  Own(kind::kIcon),     Own(kind::kLogical), Own(kind::kLogical),
    Own(kind::kLogical),  Own(kind::kFileName), Own(kind::kInteger), Own(kind::kLogical),
    Own(kind::kLogical),  Own(kind::kChoice),   Own(kind::kLogical), Own(kind::kLogical),
    Own(kind::kText)};
static_assert(sizeof kWindowProperties / sizeof kWindowProperties[0] == 32, "window: 32");

constexpr UnitPropertyRecord kButtonProperties[] = {
    KV_COMMON_PROPERTIES, Own(kind::kPicture), Own(kind::kChoice), Own(kind::kText),
    Own(kind::kChoice),   Own(kind::kChoice),  Own(kind::kFont)};
static_assert(sizeof kButtonProperties / sizeof kButtonProperties[0] == 14, "button: 14");

constexpr UnitPropertyRecord kTimerProperties[] = {KV_COMMON_PROPERTIES, Own(kind::kInteger)};
static_assert(sizeof kTimerProperties / sizeof kTimerProperties[0] == 9, "timer: 9");

#undef KV_COMMON_PROPERTIES

// Routines of the window type.
int32_t KV_STDCALL WindowSet(void* unit, int32_t own, const UnitValue* value, int32_t*) {
    return static_cast<WindowUnit*>(unit)->SetProperty(own, *value);
}
int32_t KV_STDCALL WindowGet(void* unit, int32_t own, UnitValue* out) {
    return static_cast<WindowUnit*>(unit)->GetProperty(own, out);
}
uint32_t CopyBlock(const std::vector<uint8_t>& block, uint8_t* buffer, uint32_t capacity) {
    if (buffer && capacity >= block.size()) std::copy(block.begin(), block.end(), buffer);
    return uint32_t(block.size());
}
uint32_t KV_STDCALL WindowWriteBlock(void* unit, uint8_t* buffer, uint32_t capacity) {
    return CopyBlock(static_cast<WindowUnit*>(unit)->properties().Store(), buffer, capacity);
}

void* KV_STDCALL WindowInterface(int32_t number) {
    switch (number) {
        case iface::kCreate:
            return reinterpret_cast<void*>(&WindowUnit::CreateUnit);
        case iface::kSetProperty:
            return reinterpret_cast<void*>(&WindowSet);
        case iface::kWriteBlock:
            return reinterpret_cast<void*>(&WindowWriteBlock);
        case iface::kGetProperty:
            return reinterpret_cast<void*>(&WindowGet);
        default:
            return nullptr;
    }
}

// Routines of the button type.
int32_t KV_STDCALL ButtonSet(void* unit, int32_t own, const UnitValue* value, int32_t*) {
    return static_cast<ButtonUnit*>(unit)->SetProperty(own, *value);
}
int32_t KV_STDCALL ButtonGet(void* unit, int32_t own, UnitValue* out) {
    return static_cast<ButtonUnit*>(unit)->GetProperty(own, out);
}
uint32_t KV_STDCALL ButtonWriteBlock(void* unit, uint8_t* buffer, uint32_t capacity) {
    return CopyBlock(static_cast<ButtonUnit*>(unit)->properties().Store(), buffer, capacity);
}
int32_t KV_STDCALL ButtonIsDefault(void* unit) {
    return static_cast<ButtonUnit*>(unit)->IsDefault() ? 1 : 0;
}

// The caption and, with a 60-byte font, the face name go through the caller's routine.
uint8_t* KV_STDCALL ButtonRewriteTexts(const uint8_t* block, uint32_t* length,
                                       RewriteTextRoutine routine, void* context) {
    ButtonProperties p;
    if (!p.Load(block, *length)) return nullptr;
    if (routine) {
        if (const char* caption = routine(p.caption.c_str(), context)) p.caption = caption;
        FontBlock font;
        if (FontFromBytes(p.font, &font)) {
            std::string face = FaceName(font);
            if (const char* renamed = routine(face.c_str(), context)) {
                CopyFaceName(&font, renamed);
                p.font = FontToBytes(font);
            }
        }
    }
    std::vector<uint8_t> written = p.Store();
    auto* out =
        reinterpret_cast<uint8_t*>(SystemNotify(sysnotify::kAllocate, intptr_t(written.size()), 0));
    std::memcpy(out, written.data(), written.size());
    *length = uint32_t(written.size());
    return out;
}

void* KV_STDCALL ButtonInterface(int32_t number) {
    switch (number) {
        case iface::kCreate:
            return reinterpret_cast<void*>(&ButtonUnit::CreateUnit);
        case iface::kSetProperty:
            return reinterpret_cast<void*>(&ButtonSet);
        case iface::kWriteBlock:
            return reinterpret_cast<void*>(&ButtonWriteBlock);
        case iface::kGetProperty:
            return reinterpret_cast<void*>(&ButtonGet);
        case iface::kRewriteTexts:
            return reinterpret_cast<void*>(&ButtonRewriteTexts);
        case iface::kIsDefault:
            return reinterpret_cast<void*>(&ButtonIsDefault);
        default:
            return nullptr;
    }
}

// Routines of the timer type.
int32_t KV_STDCALL TimerSet(void* unit, int32_t own, const UnitValue* value, int32_t*) {
    if (own == 0) static_cast<TimerUnit*>(unit)->SetInterval(int32_t(value->number));
    return 0;
}
int32_t KV_STDCALL TimerGet(void* unit, int32_t own, UnitValue* out) {
    if (own != 0) return 0;
    out->number = static_cast<TimerUnit*>(unit)->interval();
    return 1;
}
uint32_t KV_STDCALL TimerWriteBlock(void* unit, uint8_t* buffer, uint32_t capacity) {
    TimerProperties p;
    p.interval = static_cast<TimerUnit*>(unit)->interval();
    return CopyBlock(p.Store(), buffer, capacity);
}

void* KV_STDCALL TimerInterface(int32_t number) {
    switch (number) {
        case iface::kCreate:
            return reinterpret_cast<void*>(&TimerUnit::CreateUnit);
        case iface::kSetProperty:
            return reinterpret_cast<void*>(&TimerSet);
        case iface::kWriteBlock:
            return reinterpret_cast<void*>(&TimerWriteBlock);
        case iface::kGetProperty:
            return reinterpret_cast<void*>(&TimerGet);
        default:
            return nullptr;
    }
}

}  // namespace

const UnitTypeRecord kWindowUnitType = {
    "窗口", "window", {}, 0x800000D0, {}, 32, kWindowProperties, &WindowInterface, {}};
const UnitTypeRecord kButtonUnitType = {
    "按钮", "Button", {}, 0x80000840, {}, 14, kButtonProperties, &ButtonInterface, {}};
const UnitTypeRecord kTimerUnitType = {"时钟",           "Timer",         {}, 0x80008040, {}, 9,
                                       kTimerProperties, &TimerInterface, {}};

}  // namespace kv::forms
