#include "imageconv/formats/heif/box_fields.h"

namespace kv::imageconv::heif {

// The next box of a container; false at its end or when a size does not fit.
bool NextBox(Bytes* in, Box* box) {
    if (in->left() < 8) return false;
    uint64_t size = in->Get(4);
    box->type = uint32_t(in->Get(4));
    uint64_t header = 8;
    if (size == 1) {
        size = in->Get(8);
        header = 16;
    } else if (size == 0) {
        size = in->left() + header;
    }
    if (!in->ok() || size < header || size - header > in->left()) return false;
    box->body = Bytes(in->here(), size_t(size - header));
    in->Skip(size - header);
    return true;
}

}  // namespace kv::imageconv::heif
