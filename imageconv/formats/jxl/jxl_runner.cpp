#include "imageconv/formats/jxl/jxl_runner.h"

#include <algorithm>
#include <atomic>

#include "imageconv/memory/row_bands.h"

namespace kv::imageconv {
namespace {

// One call's tasks, taken in turn by every thread.
struct Call {
    void* opaque;
    JxlParallelRunFunction func;
    std::atomic<uint32_t> next;
    uint32_t end;
    std::atomic<bool> failed{false};
};

void Work(Call* call, size_t thread) {
    for (;;) {
        const uint32_t value = call->next.fetch_add(1);
        if (value >= call->end || call->failed.load()) return;
        try {
            call->func(call->opaque, value, thread);
        } catch (...) {
            call->failed = true;
        }
    }
}

}  // namespace

JxlParallelRetCode JxlRunner::Run(void* runner, void* jpegxlOpaque, JxlParallelRunInit init,
                                  JxlParallelRunFunction func, uint32_t startRange,
                                  uint32_t endRange) {
    if (endRange <= startRange) return 0;
    const size_t threads =
        std::min<size_t>(static_cast<JxlRunner*>(runner)->threads_, endRange - startRange);
    Call call{jpegxlOpaque, func, {startRange}, endRange};
    try {
        if (init(jpegxlOpaque, threads) != 0) return -1;
    } catch (...) {
        return -1;
    }
    // Every thread takes tasks until none is left; one that cannot start takes them here.
    RunSideBySide(int(threads), [&](int thread) { Work(&call, size_t(thread)); });
    return call.failed ? -1 : 0;
}

}  // namespace kv::imageconv
