// The HelperTable: the thirteen entries the program calls.
#include "runtime/helper_table.h"

#include "runtime/forms_link.h"
#include "runtime/memory.h"
#include "runtime/runtime_app.h"
#include "runtime/runtime_error.h"

namespace kv {
namespace {
void ReportNumberedError(int32_t number) {
    ReportRuntimeError(RuntimeErrorMessage(number), number);
}
void EndProgramEntry(int32_t code) {
    EndProgram(code);
}
// The program hands the written value as the ArgValue's 8-byte field; the forms layer takes
// its two words.
void WriteUnitPropertyEntry(uint32_t formId, uint32_t unitId, int32_t property, int32_t subProperty,
                            int64_t value) {
    forms::WriteUnitProperty(formId, unitId, property, subProperty, uint32_t(uint64_t(value)),
                             uint32_t(uint64_t(value) >> 32));
}
}  // namespace
}  // namespace kv

extern "C" const kv::HelperTable kvHelperTable = {
    kv::ReportNumberedError,
    kv::BindNativeCommand,
    kv::CallLibraryCommand,
    kv::CallLibraryCommand,
    kv::forms::ReadUnitProperty,
    kv::WriteUnitPropertyEntry,
    kv::Allocate,
    kv::Reallocate,
    kv::Release,
    kv::EndProgramEntry,
    kv::RunMessageLoop,
    kv::LoadStartWindow,
    kv::RuntimeServiceEntry,
};
