#include "framework/archive.h"

#include <algorithm>
#include <cstring>

namespace kv::fw {

LoadArchive::LoadArchive(MemoryFile& file, size_t bufferSize)
    : file_(file), buffer_(bufferSize ? bufferSize : 1) {}

bool LoadArchive::Fill() {
    begin_ = 0;
    end_ = file_.Read(buffer_.data(), buffer_.size());
    return end_ > 0;
}

bool LoadArchive::ReadBytes(void* destination, size_t count) {
    if (failed_) return false;
    auto* out = static_cast<uint8_t*>(destination);
    // A request longer than what is left can never be met: fail before copying anything.
    if (count > Remaining()) {
        failed_ = true;
        return false;
    }
    while (count > 0) {
        if (begin_ == end_ && !Fill()) {
            failed_ = true;
            return false;
        }
        size_t n = std::min(count, end_ - begin_);
        std::memcpy(out, buffer_.data() + begin_, n);
        begin_ += n;
        out += n;
        count -= n;
    }
    return true;
}

bool LoadArchive::ReadU32(uint32_t* value) {
    uint8_t b[4];
    if (!ReadBytes(b, 4)) return false;
    *value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

bool LoadArchive::ReadI32(int32_t* value) {
    uint32_t word;
    if (!ReadU32(&word)) return false;
    *value = int32_t(word);
    return true;
}

bool LoadArchive::ReadCountedText(std::string* text) {
    uint32_t length;
    if (!ReadU32(&length) || length > Remaining()) {
        failed_ = true;
        return false;
    }
    text->resize(length);
    return ReadBytes(text->data(), length);
}

bool LoadArchive::ReadCountedBytes(std::vector<uint8_t>* bytes) {
    uint32_t length;
    if (!ReadU32(&length) || length > Remaining()) {
        failed_ = true;
        return false;
    }
    bytes->resize(length);
    return ReadBytes(bytes->data(), length);
}

bool LoadArchive::ReadNulText(std::string* text) {
    text->clear();
    char c;
    while (ReadBytes(&c, 1)) {
        if (c == '\0') return true;
        text->push_back(c);
    }
    return false;
}

size_t LoadArchive::Remaining() const {
    return (end_ - begin_) + (file_.Length() - file_.Position());
}

void StoreArchive::WriteU32(uint32_t value) {
    uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                    uint8_t(value >> 24)};
    WriteBytes(b, 4);
}

void StoreArchive::WriteCountedText(const std::string& text) {
    WriteU32(uint32_t(text.size()));
    WriteBytes(text.data(), text.size());
}

void StoreArchive::WriteCountedBytes(const std::vector<uint8_t>& bytes) {
    WriteU32(uint32_t(bytes.size()));
    WriteBytes(bytes.data(), bytes.size());
}

void StoreArchive::WriteNulText(const std::string& text) {
    WriteBytes(text.c_str(), text.size() + 1);
}

}  // namespace kv::fw
