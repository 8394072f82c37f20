#include "imageconv/memory/write_ahead.h"

#include <thread>

#include "imageconv/memory/row_bands.h"

namespace kv::imageconv {
namespace {
constexpr size_t kPage = 4096;
// Below this a thread's start costs more than the faults it takes over.
constexpr size_t kSmallestBlock = size_t(4) << 20;

// Makes the page holding `byte` writable and keeps its content: an atomic OR of 0 is a single
// write access, so the page faults once, where reading and writing back faults twice (the
// read maps it read-only first).
void TouchPage(uint8_t* byte) {
    __atomic_fetch_or(byte, uint8_t(0), __ATOMIC_RELAXED);
}
}  // namespace

void WriteAhead::Start(uint8_t* block, size_t size) {
    Stop();
    if (!block || size < kSmallestBlock || SideBySideThreads() < 2) return;
    block_ = block;
    size_ = size;
    done_ = 0;
    stop_ = false;
    running_ = task_.Start(Run, this);
}

void WriteAhead::WaitFor(size_t end) {
    if (!running_) return;
    while (done_.load(std::memory_order_acquire) < end) std::this_thread::yield();
}

void WriteAhead::Stop() {
    stop_ = true;
    task_.Wait();
    running_ = false;
}

void WriteAhead::Run(void* self) {
    auto* ahead = static_cast<WriteAhead*>(self);
    uint8_t* block = ahead->block_;
    const size_t size = ahead->size_;
    // Offsets from the block's start: the view begins on a page.
    for (size_t at = 0; at < size && !ahead->stop_.load(std::memory_order_relaxed);) {
        TouchPage(block + at);
        at = at + kPage < size ? at + kPage : size;
        ahead->done_.store(at, std::memory_order_release);
    }
    // Whatever is left when stopped is no longer waited for.
    ahead->done_.store(size, std::memory_order_release);
}

void TouchPages(uint8_t* block, size_t size) {
    if (!block || size < kSmallestBlock) return;
    const size_t pages = (size + kPage - 1) / kPage;
    ForEachRowBand(int32_t(pages), kPage / 3, [&](int32_t first, int32_t count) {
        for (size_t page = size_t(first); page < size_t(first) + size_t(count); ++page) {
            TouchPage(block + page * kPage);
        }
    });
}

}  // namespace kv::imageconv
