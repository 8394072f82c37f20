#include "imageconv/memory/row_bands.h"

#include <algorithm>
#include <thread>

#include "imageconv/memory/platform.h"

namespace kv::imageconv {
namespace {
constexpr int64_t kMaxBands = 8;
// About 5 ms of work per band on a slow core, well above a thread's start.
constexpr int64_t kPixelsPerBand = int64_t(1) << 20;

struct Band {
    RowWork work = nullptr;
    void* context = nullptr;
    int32_t first = 0, count = 0;
    BackgroundTask task;
};

void RunBand(void* band) {
    const Band* b = static_cast<const Band*>(band);
    b->work(b->context, b->first, b->count);
}
}  // namespace

void ForEachRowBand(int32_t rows, int64_t pixelsPerRow, RowWork work, void* context) {
    if (rows <= 0) return;
    const int64_t cores = std::max(1u, std::thread::hardware_concurrency());
    const int64_t pixels = int64_t(rows) * std::max<int64_t>(pixelsPerRow, 1);
    const int64_t bands = std::min({cores, kMaxBands, pixels / kPixelsPerBand, int64_t(rows)});
    if (bands <= 1) {
        work(context, 0, rows);
        return;
    }
    const auto start = [&](int64_t band) { return int32_t(int64_t(rows) * band / bands); };
    Band others[kMaxBands - 1];
    for (int64_t i = 1; i < bands; ++i) {
        Band& band = others[i - 1];
        band.work = work;
        band.context = context;
        band.first = start(i);
        band.count = start(i + 1) - band.first;
        // A band whose thread cannot start is done here.
        if (!band.task.Start(RunBand, &band)) RunBand(&band);
    }
    work(context, 0, start(1));
    for (int64_t i = 1; i < bands; ++i) others[i - 1].task.Wait();
}

}  // namespace kv::imageconv
