#include "imageconv/formats/heif/heif_items.h"

#include <algorithm>
#include <cstring>

#include "imageconv/formats/heif/coded_picture.h"

namespace kv::imageconv::heif {
namespace {

// libheif's own default limit on extents per item; references are bounded like items, so
// that a small meta box cannot make large tables here.
constexpr uint64_t kExtentLimit = 32;
constexpr uint64_t kReferenceLimit = 4 * kItemLimit;

}  // namespace

ItemData::ItemData(InputFile* file, uint64_t fileSize, Bytes idat, Bytes iloc)
    : file_(file), idat_(idat) {
    const uint64_t version = iloc.Get(1);
    iloc.Skip(3);
    const uint64_t sizes = iloc.Get(2);
    const int offsetSize = int(sizes >> 12), lengthSize = int(sizes >> 8 & 15);
    const int baseSize = int(sizes >> 4 & 15), indexSize = version >= 1 ? int(sizes & 15) : 0;
    const uint64_t count = iloc.Get(version < 2 ? 2 : 4);
    ok_ = iloc.ok() && count <= kItemLimit;
    for (uint64_t i = 0; i < count && ok_; ++i) {
        const auto added = items_.emplace(iloc.Get(version < 2 ? 2 : 4), Item());
        Item& item = added.first->second;
        const uint64_t method = version >= 1 ? iloc.Get(2) & 15 : 0;
        iloc.Skip(2);
        const uint64_t base = iloc.Get(baseSize);
        const uint64_t extents = iloc.Get(2);
        ok_ = added.second && extents <= kExtentLimit && iloc.ok();
        for (uint64_t e = 0; e < extents && ok_; ++e) {
            iloc.Get(indexSize);
            const uint64_t offset = base + iloc.Get(offsetSize);
            uint64_t length = iloc.Get(lengthSize);
            const uint64_t whole = method == 1 ? idat_.left() : fileSize;
            if (method > 1 || offset > whole) item.outside = true;
            if (item.outside) continue;
            if (length == 0) length = whole - offset;  // to the end
            item.outside = length > whole - offset;
            item.extents.push_back({method, offset, length});
            item.size += length;
        }
        ok_ = ok_ && iloc.ok();
    }
}

bool ItemData::Select(uint64_t id) {
    const auto found = items_.find(id);
    const bool usable =
        found != items_.end() && !found->second.outside && !found->second.extents.empty();
    selected_ = usable ? &found->second : nullptr;
    return usable;
}

bool ItemData::Read(uint64_t at, uint8_t* out, size_t count) {
    if (!selected_) return count == 0;
    for (const Extent& extent : selected_->extents) {
        if (count == 0) break;
        if (at >= extent.length) {
            at -= extent.length;
            continue;
        }
        const size_t part = size_t(std::min<uint64_t>(count, extent.length - at));
        if (extent.method == 1) {
            memcpy(out, idat_.here() + extent.offset + at, part);
        } else if (!file_->Seek(extent.offset + at) || !file_->Read(out, part)) {
            return false;
        }
        out += part;
        count -= part;
        at = 0;
    }
    return count == 0;
}

// The item types of an iinf box (item info entries of version 2 and 3); false for an item
// listed twice or more items than libheif takes.
bool ReadItemTypes(Bytes in, std::map<uint64_t, uint32_t>* types) {
    const uint64_t version = in.Get(1);
    in.Skip(3 + (version == 0 ? 2 : 4));
    Box entry;
    while (NextBox(&in, &entry)) {
        if (entry.type != Tag("infe")) continue;
        Bytes body = entry.body;
        const uint64_t entryVersion = body.Get(1);
        body.Skip(3);
        if (entryVersion < 2) continue;
        const uint64_t id = body.Get(entryVersion == 2 ? 2 : 4);
        body.Skip(2);
        const uint32_t type = uint32_t(body.Get(4));
        if (!body.ok() || types->size() >= kItemLimit || !types->emplace(id, type).second)
            return false;
    }
    return true;
}

bool ReadReferences(Bytes in, References* references) {
    if (in.left() == 0) return true;  // no iref box
    const uint64_t version = in.Get(1);
    in.Skip(3);
    const int idBytes = version == 0 ? 2 : 4;
    uint64_t total = 0;
    Box reference;
    while (NextBox(&in, &reference)) {
        Bytes body = reference.body;
        const uint64_t from = body.Get(idBytes);
        const uint64_t count = body.Get(2);
        total += count;
        if (!body.ok() || count > kItemLimit || total > kReferenceLimit) return false;
        for (uint64_t n = 0; n < count; ++n) {
            const uint64_t to = body.Get(idBytes);
            if (reference.type == Tag("dimg")) references->inputs[from].push_back(to);
            if (reference.type == Tag("auxl")) references->auxiliaries[to].push_back(from);
        }
        if (!body.ok()) return false;
    }
    return in.ok();
}

bool ReadComposedSize(ItemData* data, uint64_t id, uint32_t type, uint64_t* width,
                      uint64_t* height) {
    uint8_t description[32] = {};
    if (!data->Select(id) || data->size() < 6) return false;
    const size_t wanted = size_t(std::min<uint64_t>(data->size(), sizeof description));
    if (!data->Read(0, description, wanted)) return false;
    Bytes fields(description, wanted);
    fields.Skip(1);
    const int fieldBytes = fields.Get(1) & 1 ? 4 : 2;
    fields.Skip(type == Tag("grid") ? 2 : 8);
    *width = fields.Get(fieldBytes);
    *height = fields.Get(fieldBytes);
    return fields.ok() && *width < kLayoutSideLimit && *height < kLayoutSideLimit;
}

}  // namespace kv::imageconv::heif
