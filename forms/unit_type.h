// Unit type records: how a library describes each of its unit types to the forms layer.
// The core library's data-type array (LibraryInfo::dataTypes) holds one record per type
// number; a type number without a unit type has an all-zero record.
#pragma once

#include <cstdint>

#include "runtime/abi.h"

namespace kv {

// Kinds of unit properties.
namespace kind {
constexpr uint16_t kInteger = 1001, kLong = 1002, kLogical = 1003, kLong2 = 1004, kText = 1005,
                   kChoice = 1006, kPicture = 1009, kIcon = 1010, kCursor = 1011, kSound = 1012,
                   kFont = 1013, kFileName = 1016, kBackColor = 1017, kBytes1023 = 1023,
                   kBytes1024 = 1024;
}  // namespace kind

// Property flags: the common properties 0-7 every unit has, and a type's own.
constexpr uint16_t kCommonPropertyFlags = 0xE000;
constexpr uint16_t kOwnPropertyFlags = 0x8000;

// One property of a unit type: three unused words, kind and flags, one unused word.
struct UnitPropertyRecord {
    const void* unused0;
    const void* unused1;
    const void* unused2;
    uint16_t kind;   // 1001 integer, 1003 logical, 1005 text, 1006 choice, 1011 cursor, ...
    uint16_t flags;  // 0xE000 common properties 0-7; 0x8000 / 0x8001 the type's own
    const void* unused3;
};

// The interface function of a type: interface number -> routine or null.
using UnitInterfaceFunction = void*(KV_STDCALL*)(int32_t interfaceNumber);

// 14 words per type.
struct UnitTypeRecord {
    const char* name;         // "窗口", "按钮", "时钟", "对象"
    const char* englishName;  // "window", "Button", "Timer", "ComObject"
    const void* reserved3[3];
    uint32_t flags;
    const void* reserved7[3];
    uint32_t propertyCount;
    const UnitPropertyRecord* properties;
    UnitInterfaceFunction interfaceFunction;
    const void* reserved13[2];
};

namespace unittype {
constexpr uint32_t kWindow = 0x00010001;
constexpr uint32_t kButton = 0x0001000B;
constexpr uint32_t kTimer = 0x00010020;
constexpr uint32_t kComObject = 0x00010030;
constexpr uint32_t kCoreTypeCount = 51;
}  // namespace unittype

}  // namespace kv

namespace kv::forms {
// The three unit types the forms layer implements; the core library places them in its
// data-type array at positions 1, 11 and 32.
extern const UnitTypeRecord kWindowUnitType;
extern const UnitTypeRecord kButtonUnitType;
extern const UnitTypeRecord kTimerUnitType;
}  // namespace kv::forms
