#include "imageconv/memory/row_bands.h"

#include <algorithm>
#include <thread>

#include "imageconv/memory/platform.h"

namespace kv::imageconv {
namespace {
constexpr int kMaxThreads = 8;
// About 5 ms of work per band on a slow core, well above a thread's start.
constexpr int64_t kPixelsPerBand = int64_t(1) << 20;

struct Share {
    IndexWork work = nullptr;
    void* context = nullptr;
    int index = 0;
    BackgroundTask task;

    static void Run(void* self) {
        const Share* share = static_cast<const Share*>(self);
        share->work(share->context, share->index);
    }
};
}  // namespace

int SideBySideThreads() {
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, unsigned(kMaxThreads)));
}

void RunSideBySide(int count, IndexWork work, void* context) {
    if (count <= 0) return;
    const int threads = std::min(count, SideBySideThreads());
    Share others[kMaxThreads - 1];
    for (int i = 1; i < threads; ++i) {
        Share& share = others[i - 1];
        share.work = work;
        share.context = context;
        share.index = i;
        if (!share.task.Start(Share::Run, &share)) Share::Run(&share);
    }
    work(context, 0);
    for (int i = threads; i < count; ++i) work(context, i);
    for (int i = 1; i < threads; ++i) others[i - 1].task.Wait();
}

int RowBandCount(int32_t rows, int64_t pixelsPerRow) {
    const int64_t pixels = int64_t(rows) * std::max<int64_t>(pixelsPerRow, 1);
    return int(std::max<int64_t>(
        1, std::min({int64_t(SideBySideThreads()), pixels / kPixelsPerBand, int64_t(rows)})));
}

}  // namespace kv::imageconv
