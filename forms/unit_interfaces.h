// The routines a unit type's interface function hands out, and the value form they
// exchange with property access. Unit objects are framework window objects (kv::fw::Window),
// so a live unit's window is its object's handle().
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "forms/unit_type.h"
#include "runtime/abi.h"

namespace kv::forms {

namespace iface {
constexpr int32_t kCreate = 1;
constexpr int32_t kSetProperty = 4;
constexpr int32_t kWriteBlock = 5;
constexpr int32_t kGetProperty = 6;
constexpr int32_t kRewriteTexts = 9;
constexpr int32_t kIsDefault = 10;
}  // namespace iface

// A property value between property access and a unit type: numbers (integer, logical as
// 1/0, choice, colour, the 64-bit kinds) in `number`; texts as a NUL-terminated `data`;
// byte blocks (pictures, cursors, fonts) as `data` and `length`.
struct UnitValue {
    int64_t number = 0;
    const uint8_t* data = nullptr;
    uint32_t length = 0;
};

// A unit's own text or byte block handed out as a value (the unit keeps the storage).
inline void SetText(const std::string& text, UnitValue* out) {
    out->data = reinterpret_cast<const uint8_t*>(text.c_str());
    out->length = uint32_t(text.size());
}
inline void SetBytes(const std::vector<uint8_t>& bytes, UnitValue* out) {
    out->data = bytes.empty() ? nullptr : bytes.data();
    out->length = uint32_t(bytes.size());
}
// A value taken in as a text or a byte block of the unit's own.
inline std::string TextOf(const UnitValue& value) {
    return value.data ? std::string(reinterpret_cast<const char*>(value.data)) : std::string();
}
inline std::vector<uint8_t> BytesOf(const UnitValue& value) {
    if (!value.data || !value.length) return {};
    return std::vector<uint8_t>(value.data, value.data + value.length);
}

using CreateUnitRoutine = void*(KV_STDCALL*)(const uint8_t* data, uint32_t length, uint32_t style,
                                             HWND parent, uint32_t controlId, HMENU menu,
                                             int32_t left, int32_t top, int32_t width,
                                             int32_t height, uint32_t formId, uint32_t unitId,
                                             uint32_t reserved, uint32_t runMode);
// Answers 1 when the unit must be re-created to show the change, else 0.
using SetPropertyRoutine = int32_t(KV_STDCALL*)(void* unit, int32_t ownNumber,
                                                const UnitValue* value, int32_t* refresh);
// Answers 1 with the value, 0 for an unknown number. Texts and blocks stay the unit's own.
using GetPropertyRoutine = int32_t(KV_STDCALL*)(void* unit, int32_t ownNumber, UnitValue* out);
// Writes the unit's current property block into `buffer` when it fits; answers its length.
using WriteBlockRoutine = uint32_t(KV_STDCALL*)(void* unit, uint8_t* buffer, uint32_t capacity);
using QueryRoutine = int32_t(KV_STDCALL*)(void* unit);
// A caller's routine for interface 9: gets one text of a property block and answers its
// replacement, or null to keep it.
using RewriteTextRoutine = const char*(KV_STDCALL*)(const char* text, void* context);
// Interface 9: passes the texts of a property block to `routine` and answers the block
// written anew (a runtime heap block; `length` in: the block's, out: the new one's), or null
// when the block cannot be read.
using RewriteTextsRoutine = uint8_t*(KV_STDCALL*)(const uint8_t* block, uint32_t* length,
                                                  RewriteTextRoutine routine, void* context);

template <typename Routine>
Routine InterfaceOf(const UnitTypeRecord* type, int32_t number) {
    if (!type || !type->interfaceFunction) return nullptr;
    return reinterpret_cast<Routine>(type->interfaceFunction(number));
}

// Type flag bits the forms layer tests.
namespace typeflag {
constexpr uint32_t kRaisesEvents = 0x40 | 0x04;
constexpr uint32_t kNeverVisible = 0x8000;
constexpr uint32_t kPagedContainer = 0x100;
constexpr uint32_t kHitTestsChildren = 0x200200;
}  // namespace typeflag

// Private messages of window loading.
constexpr UINT kMsgUnitCreated = 0x806F;
constexpr UINT kMsgUnitsReady = 0x8004;
constexpr UINT kMsgLoadFinished = 0x8076;
constexpr UINT kMsgTrayIcon = 0x8064;

}  // namespace kv::forms
