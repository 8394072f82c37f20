#include "app/hand_over.h"

#include "app/native_declarations.h"
#include "app/program_state.h"
#include "app/runtime_calls.h"
#include "app/wait_with_events.h"

namespace kv::app {
namespace {

constexpr uint32_t kSynchronize = 0x00100000;
constexpr uint32_t kGenericWrite = 0x40000000;
constexpr uint32_t kShareReadWrite = 0x3;
constexpr uint32_t kOpenExisting = 3;
constexpr uint32_t kNormalAttribute = 0x80;
constexpr uint32_t kSignalled = 0;
void* const kInvalidHandle = reinterpret_cast<void*>(intptr_t(-1));
// About ten seconds in all, as long as the viewer search: the relaunched program holds the
// bitmap before it starts its viewer.
constexpr int32_t kChecks = 100;
constexpr double kCheckIntervalMs = 100;

// Whether another program holds the file as shown, letting nobody write it: opening it for
// writing then fails. This instance's own hold lets others write.
bool HeldAsShown(const char* path) {
    void* const probe = CallNative<void*>(kCreateFile, path, kGenericWrite, kShareReadWrite,
                                          static_cast<void*>(nullptr), kOpenExisting,
                                          kNormalAttribute, static_cast<void*>(nullptr));
    if (probe == kInvalidHandle) return true;
    CallNative<int32_t>(kCloseHandle, probe);
    return false;
}

bool HasEnded(void* process) {
    return !process ||
           CallNative<uint32_t>(kWaitForSingleObject, process, uint32_t(0)) == kSignalled;
}

}  // namespace

bool HandedOver(const char* bmpPath, int32_t process) {
    void* const copy = CallNative<void*>(kOpenProcess, kSynchronize, int32_t(0), uint32_t(process));
    globals.handingOver = true;
    bool held = false;
    bool ended = false;
    for (int32_t check = 0; check < kChecks; ++check) {
        held = HeldAsShown(bmpPath);
        ended = !held && HasEnded(copy);
        if (held || ended) break;
        WaitWithEvents(kCheckIntervalMs, kMilliseconds);
    }
    globals.handingOver = false;
    if (copy) CallNative<int32_t>(kCloseHandle, copy);
    return held || !ended;
}

}  // namespace kv::app
