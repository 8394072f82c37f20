// Use-after-free made visible: objects allocated while a FreedMemoryGuard lives get pages of
// their own, and deleting one makes its pages inaccessible, so a later read of it faults at
// once instead of quietly reading stale memory.
#pragma once

namespace kv::test {

class FreedMemoryGuard {
  public:
    FreedMemoryGuard();
    ~FreedMemoryGuard();
    FreedMemoryGuard(const FreedMemoryGuard&) = delete;
    FreedMemoryGuard& operator=(const FreedMemoryGuard&) = delete;
};

}  // namespace kv::test
