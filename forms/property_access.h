// Reading and writing unit properties for program code (HelperTable slots 4 and 5) and
// properties of objects of library data types (RuntimeService 4 and 5).
//
// Values cross as two 32-bit words: numbers in the low word (64-bit kinds in both), and
// addresses of texts, byte sets and font records as the address (low word, then high word
// on 64-bit builds). Texts, byte sets and font records read are new runtime heap blocks
// owned by the caller.
#pragma once

#include <cstdint>

#include "runtime/abi.h"
#include "runtime/values.h"

namespace kv::forms {

// `subProperty` selects a part of a font property; -1 otherwise.
int64_t KV_CDECL ReadUnitProperty(uint32_t formId, uint32_t unitId, int32_t property,
                                  int32_t subProperty);
void KV_CDECL WriteUnitProperty(uint32_t formId, uint32_t unitId, int32_t property,
                                int32_t subProperty, uint32_t valueLow, uint32_t valueHigh);

// The property `property` of `object`, an object of the library data type `type`; its
// kind comes from the type's record. `subProperty` as above.
int64_t ReadLibraryTypeProperty(TypeTag type, void* object, int32_t property, int32_t subProperty);
void WriteLibraryTypeProperty(TypeTag type, void* object, int32_t property, TypeTag valueType,
                              uint32_t valueLow, uint32_t valueHigh);

}  // namespace kv::forms
