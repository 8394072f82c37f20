// Argument records and calls as compiled program code makes them.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "corelib/com/object_value.h"
#include "runtime/values.h"

namespace kv::test {

ArgValue TextArg(const char* text);
ArgValue IntArg(int32_t value);
ArgValue LongArg(int64_t value);
ArgValue BoolArg(bool value);
ArgValue DoubleArg(double value, TypeTag type = tag::kDouble);
ArgValue FloatArg(float value);
ArgValue ShortArg(int16_t value);
ArgValue ByteArg(uint8_t value);
ArgValue OmittedArg();
ArgValue ObjectArg(com::ObjectBlock* object);
ArgValue VariantArg(void* variantBlock);
// A program variable passed by address: `type` is the variable's own type.
ArgValue AddressArg(TypeTag type, void* variable);

// ComInvoke on `object` with the result type expected back.
ArgValue Invoke(com::ObjectBlock* object, TypeTag expected, const char* member,
                std::initializer_list<ArgValue> args = {});
// ComCreate on `object`: the logical result.
bool Create(com::ObjectBlock* object, const char* name, const char* typeLibrary = nullptr);
void Clear(com::ObjectBlock* object);

// Releases a runtime block handed out by the test kernel.
void ReleaseRuntimeBlock(void* block);

}  // namespace kv::test
