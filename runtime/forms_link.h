// What the kernel asks of the forms layer. The forms layer owns the form-template map and
// the list of loaded windows; the kernel drives them at start, in the loop and at the end.
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/abi.h"
#include "runtime/values.h"

namespace kv::forms {

// Reads the template block, relocating handler offsets against codeBase. False when the
// block cannot be read (the kernel then reports the template-block error).
bool ReadTemplateBlock(const void* block, uint32_t length, uintptr_t codeBase);
// Releases the templates (end sequence step 3).
void ReleaseTemplates();
// Loads the start window; false when the ID is unknown or loading failed.
bool LoadStartWindow(uint32_t formId);
// True while any loaded window still exists (IsWindow).
bool AnyLoadedWindowExists();
// Destroys and deletes every loaded window (end sequence step 10).
void DestroyLoadedWindows();
// Idle events (event 7) for idle counts of 2 and above; true when a handler wants more.
bool FireIdleEvents(uint32_t elapsedMs);
// Called at each idle period start (idle count 0): clears the idle-exclusion list.
void BeginIdlePeriod();
// The unit services behind SystemNotify 1001-1011, 1014, 2000, 2005-2010, 2031 and the
// other 20xx codes the kernel does not answer itself. Unknown codes answer 0.
intptr_t UnitService(int32_t code, intptr_t p1, intptr_t p2);

// Unit properties for program code (HelperTable slots 4 and 5) and properties of objects of
// library data types (RuntimeService 4 and 5).
//
// Values cross as two 32-bit words: numbers in the low word (64-bit kinds in both), and
// addresses of texts, byte sets and font records as the address (low word, then high word
// on 64-bit builds). Texts, byte sets and font records read are new runtime heap blocks
// owned by the caller. `subProperty` selects a part of a font property; -1 otherwise.
int64_t KV_CDECL ReadUnitProperty(uint32_t formId, uint32_t unitId, int32_t property,
                                  int32_t subProperty);
void KV_CDECL WriteUnitProperty(uint32_t formId, uint32_t unitId, int32_t property,
                                int32_t subProperty, uint32_t valueLow, uint32_t valueHigh);
// The property `property` of `object`, an object of the library data type `type`; its
// kind comes from the type's record.
int64_t ReadLibraryTypeProperty(TypeTag type, void* object, int32_t property, int32_t subProperty);
void WriteLibraryTypeProperty(TypeTag type, void* object, int32_t property, TypeTag valueType,
                              uint32_t valueLow, uint32_t valueHigh);

}  // namespace kv::forms
