// libjxl's parallel work on threads that live only while one call runs: the calling thread
// and up to a few BackgroundTasks share the call's tasks, and every thread has ended when
// the call returns. A task that throws (an allocation refused under the budget) fails the
// call, which libjxl reports as a failed decode, instead of ending the process.
#pragma once

#include <jxl/parallel_runner.h>

#include <cstddef>
#include <cstdint>

namespace kv::imageconv {

class JxlRunner {
  public:
    // At most `threads` threads, the calling one included.
    explicit JxlRunner(size_t threads) : threads_(threads ? threads : 1) {}

    // The JxlParallelRunner libjxl calls, with `this` as its runner argument.
    static JxlParallelRetCode Run(void* runner, void* jpegxlOpaque, JxlParallelRunInit init,
                                  JxlParallelRunFunction func, uint32_t startRange,
                                  uint32_t endRange);

  private:
    size_t threads_;
};

}  // namespace kv::imageconv
