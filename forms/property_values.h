// Conversion of own-property values between program code and unit types, by property kind.
#pragma once

#include <cstdint>
#include <vector>

#include "forms/unit_interfaces.h"

namespace kv::forms {

// The value program code gets for what the type's get routine answered.
int64_t ValueForProgram(uint16_t kind, const UnitValue& value, int32_t subProperty);

// Calls the type's set routine with the program's value converted by kind. `current`
// reads the unit's current value of the same property (needed for partial font writes).
// Answers the set routine's result (1: re-create the unit).
int32_t SetFromProgram(SetPropertyRoutine set, GetPropertyRoutine get, void* unit, int32_t own,
                       uint16_t kind, int32_t subProperty, uint32_t low, uint32_t high);

// An address carried in two words.
void* AddressOf(uint32_t low, uint32_t high);
// New runtime heap values: a text copy (null for empty) and a byte set (null for empty).
char* NewText(const char* text, size_t length);
void* NewByteSet(const uint8_t* data, size_t length);
// The bytes of a byte set (null = empty).
std::vector<uint8_t> ByteSetBytes(const void* byteSet);

}  // namespace kv::forms
