// SystemNotify: the kernel's service entry for libraries and unit classes. The kernel answers
// its own codes; every other code goes to the forms layer's unit services.
#include "runtime/com_link.h"
#include "runtime/forms_link.h"
#include "runtime/memory.h"
#include "runtime/numeric.h"
#include "runtime/runtime_app.h"
#include "runtime/runtime_error.h"

namespace kv {
namespace {
void LoadDefaultIcons(RuntimeApp& app) {
    if (app.iconsLoaded) return;
    app.iconsLoaded = true;
    HMODULE module = ProgramModule();
    app.largeIcon =
        static_cast<HICON>(LoadImageA(module, "DEFAULT_ICON", IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    app.smallIcon = static_cast<HICON>(LoadImageA(module, "DEFAULT_ICON", IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), 0));
}

template <class T>
T* Address(intptr_t word) {
    return reinterpret_cast<T*>(word);
}
}  // namespace

int64_t KV_STDCALL SystemNotifyEntry(int32_t code, intptr_t p1, intptr_t p2) {
    RuntimeApp& app = App();
    switch (code) {
        case sysnotify::kDefaultIcons: {
            LoadDefaultIcons(app);
            if (auto* icons = Address<HICON>(p1)) {
                icons[0] = app.largeIcon;
                icons[1] = app.smallIcon;
            }
            return 0;
        }
        case sysnotify::kRegisterIdleRoutine:
            if (p1) RegisterIdleRoutine(*Address<const IdleRoutineRecord>(p1));
            return 0;
        case sysnotify::kRemoveIdleRoutine:
            RemoveIdleRoutine(reinterpret_cast<HWND>(p1));
            return 0;
        case sysnotify::kNumberAsInteger: {
            int64_t number = 0;
            if (!p1 || !NumberAsInteger(*Address<const ArgValue>(p1), &number))
                ReportRuntimeError(errtext::kNotNumeric, 0);
            return number;
        }
        case sysnotify::kCommandLine:
            return 0;
        case sysnotify::kProgramDirectory:
            return reinterpret_cast<intptr_t>(ProgramDirectory());
        case sysnotify::kProgramFileName:
            return reinterpret_cast<intptr_t>(ProgramFileName());
        case sysnotify::kProcessMessages:
            ProcessPendingMessages();
            return 0;
        case sysnotify::kReleaseArray:
            ReleaseArray(TypeTag(p1), Address<void>(p2));
            return 0;
        case sysnotify::kAllocate:
            return reinterpret_cast<intptr_t>(p2 ? AllocateUnchecked(p1) : Allocate(p1));
        case sysnotify::kRelease:
            Release(Address<void>(p1));
            return 0;
        case sysnotify::kReallocate:
            return reinterpret_cast<intptr_t>(Reallocate(Address<void>(p1), p2));
        case sysnotify::kReportError:
            ReportRuntimeError(Address<const char>(p1), 0);
        case sysnotify::kEndProgram:
            EndProgram(int32_t(p1));
        case sysnotify::kBuildKind:
            return intptr_t(app.buildKind);
        case sysnotify::kReleaseComObject:
            if (p1) com::ReleaseObjectValue(Address<void*>(p1));
            return 0;
        default:
            return forms::UnitService(code, p1, p2);
    }
}

}  // namespace kv
