// Work on a picture's rows shared among the machine's cores: the rows are cut into bands of
// about equal size, the calling thread takes the first and BackgroundTasks the others, and
// every band has been done when the call returns. Small pictures stay on the calling thread,
// since starting a thread costs as much as converting a few hundred thousand pixels.
#pragma once

#include <cstdint>

namespace kv::imageconv {

// `work(context, first, count)` for bands that together cover rows 0 to `rows`; the work
// must not throw (it runs on threads of its own) and touches only its own rows.
using RowWork = void (*)(void* context, int32_t first, int32_t count);
void ForEachRowBand(int32_t rows, int64_t pixelsPerRow, RowWork work, void* context);

template <typename Work>
void ForEachRowBand(int32_t rows, int64_t pixelsPerRow, const Work& work) {
    ForEachRowBand(
        rows, pixelsPerRow,
        [](void* context, int32_t first, int32_t count) {
            (*static_cast<const Work*>(context))(first, count);
        },
        const_cast<Work*>(&work));
}

}  // namespace kv::imageconv
