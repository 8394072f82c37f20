// The conversions between runtime values and VARIANTs used by automation calls.
#pragma once

#include <windows.h>
// The automation headers need the base Windows types declared first.
#include <oaidl.h>

#include "runtime/values.h"

namespace kv::com {

using ValueField = decltype(ArgValue::value);

// The runtime types an automation call can carry.
enum class ValueKind {
    kUnsupported,
    kObject,
    kVariant,
    kBool,
    kDateTime,
    kText,
    kByte,
    kShort,
    kInt,
    kLong,
    kFloat,
    kDouble
};

// Classifies a TypeTag (the by-address bit already masked off). A library type whose
// data-type record marks it as an object, and which is no window unit, counts as ComObject.
ValueKind KindOf(TypeTag type);

// Reads a value of `kind` from a program variable, only as many bytes as the type has.
ValueField ReadVariable(ValueKind kind, const void* variable);

// Converts a runtime value into `out` (which must be empty). Objects are passed by the
// declared base type; `borrowedRecord` is set when `out` points at a held record's own data
// (the record stays the object's: clearing the VARIANT must not clear it). False: a type
// the call cannot carry.
bool ValueToVariant(ValueKind kind, const ValueField& value, VARTYPE declaredBase, VARIANT* out,
                    bool* borrowedRecord);

// Converts a VARIANT into a fresh runtime value of `kind` owned by the receiver (new text,
// new object block, new variant block). False when the conversion fails; `out` is then
// untouched.
bool VariantToValue(ValueKind kind, const VARIANT* source, ValueField* out);

// Replaces the program variable's value with the converted VARIANT, releasing the old text,
// object or variant first. False (variable unchanged) when the conversion fails.
bool WriteVariable(ValueKind kind, const VARIANT* source, void* variable);

// The empty value of a type: 0, null text, a new empty object block, a new empty variant.
ValueField EmptyValue(ValueKind kind);

}  // namespace kv::com
