// Argument records and calls as compiled program code makes them.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "corelib/com/object_value.h"
#include "runtime/arg_values.h"

namespace kv::test {

ArgValue ObjectArg(com::ObjectBlock* object);
ArgValue VariantArg(void* variantBlock);

// ComInvoke on `object` with the result type expected back.
ArgValue Invoke(com::ObjectBlock* object, TypeTag expected, const char* member,
                std::initializer_list<ArgValue> args = {});
// ComCreate on `object`: the logical result.
bool Create(com::ObjectBlock* object, const char* name, const char* typeLibrary = nullptr);
void Clear(com::ObjectBlock* object);

// Releases a runtime block handed out by the test kernel.
void ReleaseRuntimeBlock(void* block);

}  // namespace kv::test
