#include "framework/memory_file.h"

#include <algorithm>
#include <cstring>

namespace kv::fw {

size_t MemoryFile::Read(void* destination, size_t count) {
    size_t available = Length() - std::min(position_, Length());
    size_t n = std::min(count, available);
    if (n) std::memcpy(destination, Data() + position_, n);
    position_ += n;
    return n;
}

bool MemoryFile::Write(const void* source, size_t count) {
    if (view_) return false;
    size_t end = position_ + count;
    if (end > owned_.capacity()) {
        size_t steps = (end + growBy_ - 1) / growBy_;
        owned_.reserve(steps * growBy_);
    }
    if (end > owned_.size()) owned_.resize(end);
    if (count) std::memcpy(owned_.data() + position_, source, count);
    position_ = end;
    return true;
}

}  // namespace kv::fw
