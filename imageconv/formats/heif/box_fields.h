// The fields of HEIF boxes and of the coded headers inside them: big-endian byte fields,
// most-significant-first bits, and the boxes of a container.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kv::imageconv::heif {

// Big-endian fields of a byte range; every read past the end fails the whole reader.
class Bytes {
  public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }
    size_t left() const { return ok_ ? size_ - at_ : 0; }
    const uint8_t* here() const { return data_ + at_; }
    uint64_t Get(int bytes) {
        if (bytes < 0 || size_t(bytes) > left()) {
            ok_ = false;
            return 0;
        }
        uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) value = value << 8 | data_[at_++];
        return value;
    }
    void Skip(uint64_t bytes) {
        if (bytes > left()) ok_ = false;
        if (ok_) at_ += size_t(bytes);
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    bool ok_ = true;
};

// Bits, most significant first, of a coded header.
class Bits {
  public:
    explicit Bits(std::vector<uint8_t> data) : data_(std::move(data)) {}
    bool ok() const { return at_ <= data_.size() * 8; }
    uint64_t Get(int count) {
        uint64_t value = 0;
        for (int i = 0; i < count; ++i, ++at_) {
            const uint64_t bit = at_ < data_.size() * 8 ? data_[at_ / 8] >> (7 - at_ % 8) & 1 : 0;
            value = value << 1 | bit;
        }
        return value;
    }
    // Exp-Golomb (HEVC ue(v)) and AV1's uvlc: leading zeros, a one, then as many bits.
    uint64_t GetGolomb() {
        int zeros = 0;
        while (ok() && Get(1) == 0) ++zeros;
        if (zeros >= 32) {
            at_ = data_.size() * 8 + 1;
            return 0;
        }
        return (uint64_t(1) << zeros) - 1 + Get(zeros);
    }

  private:
    std::vector<uint8_t> data_;
    size_t at_ = 0;
};

struct Box {
    uint32_t type = 0;
    Bytes body{nullptr, 0};
};

constexpr uint32_t Tag(const char (&name)[5]) {
    return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 |
           uint32_t(uint8_t(name[2])) << 8 | uint8_t(name[3]);
}

// The next box of a container; false at its end or when a size does not fit.
bool NextBox(Bytes* in, Box* box);

}  // namespace kv::imageconv::heif
