// The items of a HEIF file's meta box: where each item's data lies (iloc, idat), what kind
// each item is (iinf), how items are derived from one another (iref), and the composed size
// of grid and overlay items.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "imageconv/formats/heif/box_fields.h"
#include "imageconv/formats/input_file.h"

namespace kv::imageconv::heif {

// libheif's own default limit on items.
constexpr uint64_t kItemLimit = 1000;

// The items' data: each item's extents joined, in the file (construction method 0) or in
// the meta box's idat (method 1). The iloc box is read once, whatever the number of items;
// an item listed twice, more items than libheif takes or more extents per item refuse it.
class ItemData {
  public:
    ItemData(InputFile* file, uint64_t fileSize, Bytes idat, Bytes iloc);

    bool ok() const { return ok_; }

    // Makes `id` the item read; false when it is missing or an extent lies outside.
    bool Select(uint64_t id);

    uint64_t size() const { return selected_ ? selected_->size : 0; }

    // Reads `count` bytes at `at` of the selected item's joined extents.
    bool Read(uint64_t at, uint8_t* out, size_t count);

  private:
    struct Extent {
        uint64_t method, offset, length;
    };
    struct Item {
        std::vector<Extent> extents;
        uint64_t size = 0;
        bool outside = false;
    };
    InputFile* file_;
    Bytes idat_;
    std::map<uint64_t, Item> items_;
    const Item* selected_ = nullptr;
    bool ok_ = false;
};

// The item types of an iinf box (item info entries of version 2 and 3); false for an item
// listed twice or more items than libheif takes.
bool ReadItemTypes(Bytes in, std::map<uint64_t, uint32_t>* types);

// The derivations (dimg) and auxiliary images (auxl) of an iref box, both by the item they
// belong to; false for more references than libheif takes.
struct References {
    std::map<uint64_t, std::vector<uint64_t>> inputs, auxiliaries;
};
bool ReadReferences(Bytes in, References* references);

// The composed size of a grid or overlay item from its data: version, flags (bit 0: 32-bit
// sizes), then rows and columns or the fill colour, then the size.
bool ReadComposedSize(ItemData* data, uint64_t id, uint32_t type, uint64_t* width,
                      uint64_t* height);

}  // namespace kv::imageconv::heif
