// A parameter's declared type reduced to the base VARIANT type the call converts to.
#pragma once

#include <windows.h>
// The automation headers need the base Windows types declared first.
#include <oaidl.h>

namespace kv::com {

struct DeclaredType {
    VARTYPE base = VT_EMPTY;
    bool byReference = false;  // declared through a pointer
    bool isArray = false;      // a safe array or a fixed-size array
};

// `owner` resolves user-defined types: enumerations count as VT_I4, dispatch interfaces as
// VT_DISPATCH, aliases as their target, any other user-defined type as VT_UNKNOWN.
DeclaredType ReduceDeclaredType(ITypeInfo* owner, const TYPEDESC& declared);

}  // namespace kv::com
