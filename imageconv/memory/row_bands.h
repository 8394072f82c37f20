// Work on a picture shared among the machine's cores: the calling thread takes the first
// share and BackgroundTasks the others, and every share has been done when the call returns.
// Rows are cut into bands of about equal size; small pictures stay on the calling thread,
// since starting a thread costs as much as converting a few hundred thousand pixels.
#pragma once

#include <cstdint>

namespace kv::imageconv {

// Threads worth running side by side: the machine's cores, at least 1 and at most 8.
int SideBySideThreads();

// `work(context, index)` for every index below `count`: index 0 on the calling thread, up to
// SideBySideThreads() - 1 others on threads of their own (one whose thread cannot start is
// done here), any further ones here after index 0. The work must not throw.
using IndexWork = void (*)(void* context, int index);
void RunSideBySide(int count, IndexWork work, void* context);

template <typename Work>
void RunSideBySide(int count, const Work& work) {
    RunSideBySide(
        count, [](void* context, int index) { (*static_cast<const Work*>(context))(index); },
        const_cast<Work*>(&work));
}

// Bands a picture of `rows` rows is cut into.
int RowBandCount(int32_t rows, int64_t pixelsPerRow);

// `work(first, count)` for bands that together cover rows 0 to `rows`, side by side; the
// work touches only its own rows.
template <typename Work>
void ForEachRowBand(int32_t rows, int64_t pixelsPerRow, const Work& work) {
    if (rows <= 0) return;
    const int bands = RowBandCount(rows, pixelsPerRow);
    const auto start = [&](int band) { return int32_t(int64_t(rows) * band / bands); };
    RunSideBySide(bands, [&](int band) { work(start(band), start(band + 1) - start(band)); });
}

}  // namespace kv::imageconv
