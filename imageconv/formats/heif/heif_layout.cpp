#include "imageconv/formats/heif/heif_layout.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <vector>

#include "imageconv/formats/heif/box_fields.h"
#include "imageconv/formats/heif/heif_items.h"

namespace kv::imageconv {
namespace {

using heif::Box;
using heif::Bytes;
using heif::ItemData;
using heif::kItemLimit;
using heif::NextBox;
using heif::ReadAv1Config;
using heif::ReadCodedUnits;
using heif::ReadComposedSize;
using heif::ReadHevcConfig;
using heif::ReadItemTypes;
using heif::ReadReferences;
using heif::References;
using heif::Tag;

// The largest `meta` box read: far beyond any real file's item tables.
constexpr uint64_t kMetaLimit = 16u << 20;

}  // namespace

bool ReadHeifLayout(InputFile* file, uint64_t fileSize, HeifLayout* layout) {
    *layout = HeifLayout();
    // Top-level boxes are skipped by their headers until the meta box.
    std::vector<uint8_t> meta;
    for (uint64_t at = 0; at + 8 <= fileSize && meta.empty();) {
        uint8_t header[16];
        if (!file->Seek(at) || !file->Read(header, 8)) return false;
        Bytes fields(header, 8);
        uint64_t size = fields.Get(4), headerSize = 8;
        const uint32_t type = uint32_t(fields.Get(4));
        if (size == 1) {
            if (!file->Read(header + 8, 8)) return false;
            size = Bytes(header + 8, 8).Get(8);
            headerSize = 16;
        } else if (size == 0) {
            size = fileSize - at;
        }
        if (size < headerSize || size > fileSize - at) return false;
        if (type == Tag("meta")) {
            if (size > kMetaLimit) return false;
            meta.resize(size_t(size - headerSize));
            if (!file->Read(meta.data(), meta.size())) return false;
        }
        at += size;
    }
    // The boxes libheif reads once, by their first copy: a second copy refuses the file.
    Bytes metaBody(meta.data(), meta.size());
    metaBody.Skip(4);
    const uint32_t kOnce[] = {Tag("pitm"), Tag("iinf"), Tag("iloc"),
                              Tag("idat"), Tag("iref"), Tag("iprp")};
    std::map<uint32_t, Bytes> once;
    Box box;
    while (NextBox(&metaBody, &box)) {
        if (std::find(std::begin(kOnce), std::end(kOnce), box.type) == std::end(kOnce)) continue;
        if (!once.emplace(box.type, box.body).second) return false;
    }
    auto body = [&once](const char(&type)[5]) {
        const auto found = once.find(Tag(type));
        return found == once.end() ? Bytes(nullptr, 0) : found->second;
    };
    Bytes pitm = body("pitm");
    const uint64_t pitmVersion = pitm.Get(1);
    pitm.Skip(3);
    const uint64_t primary = pitm.Get(pitmVersion == 0 ? 2 : 4);
    // Every decoder configuration, used or not.
    Bytes iprp = body("iprp");
    Box ipco, property;
    while (NextBox(&iprp, &ipco)) {
        if (ipco.type != Tag("ipco")) continue;
        while (NextBox(&ipco.body, &property)) {
            if (property.type == Tag("hvcC") &&
                !ReadHevcConfig(property.body, &layout->largestCoded))
                return false;
            if (property.type == Tag("av1C") &&
                !ReadAv1Config(property.body, &layout->largestCoded))
                return false;
        }
    }
    // The coded items' own parameter sets and sequence headers.
    std::map<uint64_t, uint32_t> types;
    References references;
    ItemData data(file, fileSize, body("idat"), body("iloc"));
    if (!data.ok() || !ReadItemTypes(body("iinf"), &types) ||
        !ReadReferences(body("iref"), &references))
        return false;
    uint64_t units = 0;
    for (const auto& [id, type] : types) {
        if ((type == Tag("hvc1") || type == Tag("av01")) && data.Select(id) &&
            !ReadCodedUnits(&data, type == Tag("hvc1"), &units, &layout->largestCoded))
            return false;
    }
    // A canvas takes the format of the first picture pasted into it: counted at the largest.
    const uint64_t canvasEighths = 48;
    // The picture libheif composes: the primary's grid or overlay, also under identity items.
    uint64_t composed = primary;
    for (size_t steps = 0; types[composed] == Tag("iden") && steps < kItemLimit; ++steps) {
        const std::vector<uint64_t>& inputs = references.inputs[composed];
        if (inputs.size() != 1) return false;
        composed = inputs[0];
    }
    // Every item the primary image is built from, each reached once: libheif decodes an
    // item again for every path to it, so a shared item would multiply the work. Their
    // canvases are measured; auxiliary images belong to the primary image alone.
    std::vector<uint64_t> todo{primary};
    std::set<uint64_t> reached{primary};
    while (!todo.empty()) {
        const uint64_t id = todo.back();
        todo.pop_back();
        const uint32_t type = types[id];
        if (type != Tag("hvc1") && type != Tag("av01") && type != Tag("grid") &&
            type != Tag("iovl") && type != Tag("iden"))
            return false;
        if (type == Tag("grid") || type == Tag("iovl")) {
            uint64_t width = 0, height = 0;
            if (!ReadComposedSize(&data, id, type, &width, &height)) return false;
            if (id == composed) {
                layout->composedWidth = width;
                layout->composedHeight = height;
            } else {
                layout->derivedBytes += width * height * canvasEighths / 8;
            }
        }
        const std::vector<uint64_t>& inputs = references.inputs[id];
        const std::vector<uint64_t>& auxiliaries = references.auxiliaries[id];
        if (id != primary && !auxiliaries.empty()) return false;
        for (const std::vector<uint64_t>* next : {&inputs, &auxiliaries}) {
            for (uint64_t input : *next) {
                if (!reached.insert(input).second) return false;
                todo.push_back(input);
            }
        }
    }
    return true;
}

}  // namespace kv::imageconv
