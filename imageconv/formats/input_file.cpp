#include "imageconv/formats/input_file.h"

#include <algorithm>

#include "imageconv/memory/platform.h"
#include "imageconv/memory/write_ahead.h"

namespace kv::imageconv {

bool InputFile::Open(const char* path) {
    Close();
    file_ = fopen(path, "rb");
    return file_ != nullptr;
}

void InputFile::Close() {
    if (file_) fclose(file_);
    file_ = nullptr;
}

bool InputFile::Seek(uint64_t offset) {
    return file_ && SeekFile(file_, offset);
}

bool InputFile::Length(uint64_t* length) {
    return file_ && FileLength(file_, length);
}

bool InputFile::ReadBlock(uint64_t offset, uint64_t size, MappedBuffer* block) {
    if (size > kMaxBlockBytes || !block->Allocate(size_t(size)) || !Seek(offset)) return false;
    // Read in chunks, so that the block's pages are made writable ahead of the copying.
    constexpr size_t kChunk = size_t(1) << 20;
    WriteAhead ahead;
    ahead.Start(block->data(), block->size());
    for (size_t done = 0; done < block->size();) {
        const size_t count = std::min(kChunk, block->size() - done);
        ahead.WaitFor(done + count);
        if (!Read(block->data() + done, count)) return false;
        done += count;
    }
    return true;
}

}  // namespace kv::imageconv
