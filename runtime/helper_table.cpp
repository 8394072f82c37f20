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
}  // namespace
}  // namespace kv

extern "C" const kv::HelperTable kvHelperTable = {
    kv::ReportNumberedError,
    kv::BindNativeCommand,
    kv::CallLibraryCommand,
    kv::CallLibraryCommand,
    kv::forms::ReadUnitProperty,
    kv::forms::WriteUnitProperty,
    kv::Allocate,
    kv::Reallocate,
    kv::Release,
    kv::EndProgramEntry,
    kv::RunMessageLoop,
    kv::LoadStartWindow,
    kv::RuntimeServiceEntry,
};
