// Makes a fresh storage block's pages writable ahead of a decoder that fills it from the top.
// The first write to each page of a file-backed mapping is a page fault, and on some systems
// an expensive one; a thread of its own takes those faults in order while the decoder works,
// and the decoder asks for each stretch before it writes there, so that no byte is ever
// touched by both at once. Each page keeps its content (its first byte is OR-ed with zero).
// Single-core machines and small blocks get no thread: the decoder faults as before.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "imageconv/memory/platform.h"

namespace kv::imageconv {

class WriteAhead {
  public:
    WriteAhead() = default;
    ~WriteAhead() { Stop(); }
    WriteAhead(const WriteAhead&) = delete;
    WriteAhead& operator=(const WriteAhead&) = delete;

    // Starts on `size` bytes at `block` (stopping any earlier run).
    void Start(uint8_t* block, size_t size);
    // Returns once the bytes before `end` may be written (at once when nothing runs).
    void WaitFor(size_t end);
    // Ends the run early and waits for its thread.
    void Stop();

  private:
    static void Run(void* self);

    uint8_t* block_ = nullptr;
    size_t size_ = 0;
    std::atomic<size_t> done_{0};  // bytes whose pages are touched
    std::atomic<bool> stop_{false};
    bool running_ = false;
    BackgroundTask task_;
};

// For decoders that write in an order of their own: makes every page of a fresh block
// writable before they start, the pages shared among the machine's cores, so that the faults
// are taken side by side (each page keeps its content).
void TouchPages(uint8_t* block, size_t size);

}  // namespace kv::imageconv
