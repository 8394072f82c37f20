#include "imageconv/formats/input_file.h"

#include "imageconv/memory/platform.h"

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

bool InputFile::ReadAll(uint64_t size, MappedBuffer* block) {
    return size <= kMaxBlockBytes && block->Allocate(size_t(size)) && Seek(0) &&
           Read(block->data(), block->size());
}

}  // namespace kv::imageconv
