#include "imageconv/formats/jxl/jxl_runner.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>

#include "imageconv/memory/platform.h"

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

struct Worker {
    Call* call;
    size_t thread;
    BackgroundTask task;
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

void WorkOn(void* worker) {
    Work(static_cast<Worker*>(worker)->call, static_cast<Worker*>(worker)->thread);
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
        // Workers that cannot be started leave their share to the others.
        std::unique_ptr<Worker[]> workers(new (std::nothrow) Worker[threads - 1]);
        for (size_t i = 1; workers && i < threads; ++i) {
            workers[i - 1].call = &call;
            workers[i - 1].thread = i;
            workers[i - 1].task.Start(WorkOn, &workers[i - 1]);
        }
        Work(&call, 0);
        // Destroying the workers waits for each of their threads.
    } catch (...) {
        return -1;
    }
    return call.failed ? -1 : 0;
}

}  // namespace kv::imageconv
