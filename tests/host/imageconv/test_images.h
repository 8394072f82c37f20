// Test images made on the spot: PNG, JPEG and TIFF through their libraries, BMP, PCX and
// Photo CD from bytes, plus a plain reader for the BMPs the library writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kv::imageconv::test {

// Interleaved 8-bit samples, top row first, no padding.
struct Pixels {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> data;

    const uint8_t* At(int x, int y) const {
        return data.data() + (size_t(y) * width + x) * channels;
    }
};

// A smooth, position-dependent picture with some noise, so that codecs and row order matter.
Pixels Pattern(int width, int height, int channels, uint32_t seed = 1);
// Every pixel the same.
Pixels Solid(int width, int height, std::vector<uint8_t> pixel);

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);

// PNG with the given colour type and bit depth; `samples` holds one byte per sample (values
// already within the bit depth) or, for 16-bit depth, two big-endian bytes per sample.
struct PngPalette {
    std::vector<uint8_t> rgb;  // 3 bytes per entry
};
bool WritePng(const std::string& path, int width, int height, int colorType, int bitDepth,
              const std::vector<uint8_t>& samples, bool interlaced = false,
              const PngPalette* palette = nullptr, bool withTransparentGrey = false);

// JPEG of 1 (grey), 3 (RGB) or 4 (CMYK) components, baseline or progressive.
bool WriteJpeg(const std::string& path, const Pixels& pixels, int quality = 90,
               bool progressive = false);

// TIFF (libtiff compression number, e.g. 1 none, 5 LZW, 32773 PackBits); 1 or 3 channels.
// `orientation` is the TIFF Orientation tag (1: rows stored top row first, 4: bottom first).
// `icc`: an ICC profile for the file's ICC tag.
bool WriteTiff(const std::string& path, const Pixels& pixels, int compression, int rowsPerStrip = 8,
               int orientation = 1, const std::vector<uint8_t>& icc = {});
// TIFF of 16-bit samples (1 or 3 channels, top row first).
bool WriteTiff16(const std::string& path, int width, int height, int channels,
                 const std::vector<uint16_t>& samples, int compression,
                 const std::vector<uint8_t>& icc = {}, int rowsPerStrip = 8);

// BMP of 24 bits from RGB pixels; `topDown` stores rows top first (negative height);
// `coreHeader` uses the 12-byte OS/2 header.
std::vector<uint8_t> Bmp24(const Pixels& rgb, bool topDown = false, bool coreHeader = false);
// Headers of a BMP with an arbitrary bit count / compression and `dataBytes` zero bytes.
std::vector<uint8_t> BmpHeaderOnly(int32_t width, int32_t height, int bits, int compression,
                                   size_t dataBytes);

// PCX: 8-bit (one plane, palette at the end) from indexes, or 24-bit (three planes) from RGB.
std::vector<uint8_t> Pcx8(const Pixels& indexes, const std::vector<uint8_t>& paletteRgb,
                          int bytesPerLine);
std::vector<uint8_t> Pcx24(const Pixels& rgb, int bytesPerLine);
// Run-length codes one line the way PCX writers do.
void PcxEncodeLine(const uint8_t* line, size_t length, std::vector<uint8_t>* out);

// A Photo CD image pac: signature in the second sector, base image at 0x30000 built from
// per-pixel luma and per-pixel-pair chroma (768 × 512 and 384 × 256 planes).
struct PhotoCdPlanes {
    std::vector<uint8_t> luma, c1, c2;
};
PhotoCdPlanes PhotoCdPattern();
std::vector<uint8_t> PhotoCdFile(const PhotoCdPlanes& planes, bool withSignature = true);

// Files shipped with the decoders' sources (libwebp's and libheif's samples) and small ones
// made with Debian's cwebp, img2webp, heif-enc and avifenc, kept in the data folder.
std::string DataFile(const std::string& name);

// Files built piece by piece: bytes joined, little- and big-endian fields, four-letter tags.
using Bytes = std::vector<uint8_t>;
Bytes operator+(Bytes a, const Bytes& b);
Bytes Le(uint32_t v, int n);
Bytes Be(uint32_t v, int n);
Bytes Tag(const char* tag);

// WebP files: RIFF chunks (padded to even sizes) and the RIFF header around them; a
// lossless bitstream of any size in 8 bytes (each of its five codes has one symbol, so no
// pixel costs a bit); an extended-format header; an animation whose canvas holds one 1 × 1
// frame.
Bytes WebpChunk(const char* tag, const Bytes& payload);
Bytes Riff(const Bytes& chunks);
Bytes Vp8l(uint32_t width, uint32_t height);
Bytes Vp8x(uint8_t flags, uint32_t width, uint32_t height);
Bytes AnimatedWebp(uint32_t width, uint32_t height);
// A JPEG XL codestream that declares `width` × `height` (each at most 2^30) with default
// metadata, and holds nothing more.
Bytes JxlHeaderOnly(uint32_t width, uint32_t height);
// A lossy WebP file given an alpha stream over its whole picture, lossless and without
// transforms (libwebp decodes it whole at four bytes a pixel); empty for other files.
Bytes WithLosslessAlpha(const Bytes& lossyWebp);
// The contents of gzip data; empty when it is not whole.
Bytes Gunzip(const Bytes& packed);

// ISO boxes, and a HEIF file of items: each with its data (in idat; none without), its
// derivation inputs (dimg) and its properties (whole boxes, shared ones written once);
// `metaTail` is added at the end of the meta box; `offsetBytes` is the size of the item
// locations' offset fields (4, as writers make them).
Bytes Box(const char* type, const Bytes& body);
Bytes FullBox(const char* type, uint8_t version, const Bytes& body);
Bytes BoxBody(const Bytes& file, const char* type);
struct HeifItem {
    uint32_t id;
    const char* type;
    Bytes data;
    std::vector<uint32_t> inputs;
    std::vector<Bytes> properties;
};
Bytes HeifFile(const std::vector<HeifItem>& items, uint32_t primary, const Bytes& metaTail = {},
               int offsetBytes = 4);

// A HEIC whose primary item, of `type` "grid" or "iovl", is composed at `width` × `height`
// from the coded picture of the HEIC `photo` (which claims its own size), while its size
// property claims 64 × 64.
std::vector<uint8_t> DerivedHeic(const std::vector<uint8_t>& photo, const char* type,
                                 uint32_t width, uint32_t height);

// The coded picture of the HEIC `photo` as a plain image claiming 64 × 64 (or, `truthful`,
// the size it codes), while its sequence parameter set codes `width` × `height`: in the hvcC
// box, or `inData`, in the item's data ahead of the slices, there followed by `padding` bytes
// inside its NAL unit; with `chroma` (see WithCodedSize) in the hvcC box.
std::vector<uint8_t> CodedSizeHeic(const std::vector<uint8_t>& photo, uint32_t width,
                                   uint32_t height, bool inData = false, size_t padding = 0,
                                   int chroma = -1, bool truthful = false);
// An HEVC sequence parameter set NAL unit coding `width` × `height` instead of its own size,
// and `chroma` (0 monochrome to 3 for 4:4:4) when not negative; empty for a set with
// sub-layers, which the files here do not have.
Bytes WithCodedSize(const Bytes& nal, uint32_t width, uint32_t height, int chroma = -1);

// A HEIC whose primary item is a grid of `columns` × `rows` tiles (at most 256 each)
// composed at `width` × `height`, as phone cameras write photos: the tiles are the coded
// pictures of the HEIC files `tiles`, row by row, stored in the mdat box, all sharing the
// first one's decoder configuration and size.
std::vector<uint8_t> GridHeic(const std::vector<std::vector<uint8_t>>& tiles, uint16_t columns,
                              uint16_t rows, uint32_t width, uint32_t height);

// A JPEG file with an APP1 EXIF block right after its start marker: a TIFF header in the
// given byte order and one IFD holding only the orientation entry (type SHORT, count 1).
std::vector<uint8_t> WithExifOrientation(const std::vector<uint8_t>& jpeg, int orientation,
                                         bool bigEndian = false);

// A JPEG file with an ICC profile in APP2 segments right after its start marker, in chunks of
// at most `chunkBytes`, the last chunk first when `reversed`.
std::vector<uint8_t> WithIccProfile(const std::vector<uint8_t>& jpeg,
                                    const std::vector<uint8_t>& icc, size_t chunkBytes,
                                    bool reversed = false);
// A PNG file with a chunk of the given type and data right after its header chunk.
std::vector<uint8_t> WithPngChunk(const std::vector<uint8_t>& png, const char* type,
                                  const std::vector<uint8_t>& data);

// A DNG file laid out as cameras write them: IFD 0 holds the maker, the TIFF orientation and
// an uncompressed RGB thumbnail `thumbnail` (none when empty); its sub-IFDs hold
// `sensorSide` × `sensorSide` 16-bit CFA sensor samples and the JPEG `preview` (none when
// empty), listed at
// `previewLength` bytes when that is not 0, so that it may claim more than the file holds.
// A `makernote` goes into an EXIF IFD.
struct DngParts {
    Pixels thumbnail;
    Bytes preview;
    int orientation = 1;
    uint32_t previewLength = 0;
    std::string make = "Tavi";
    Bytes makernote;
    uint32_t sensorSide = 64;
};
Bytes Dng(const DngParts& parts);
// A RAF file as one maker's cameras write it: the JPEG `preview`, whose EXIF block carries the
// maker and the photo's orientation, then 64 × 64 16-bit CFA sensor samples.
Bytes Raf(const Bytes& preview, int orientation);
// A maker's note as one maker's cameras write it, made to send that maker's parser to the
// fixed offsets of its ShotInfo block (makernote version 243) while the block is 8 bytes long.
Bytes ShortShotInfoMakernote();

// A BMP as written by the library, checked field by field by the caller.
struct BmpFile {
    bool valid = false;
    uint32_t fileSize = 0, pixelOffset = 0, headerSize = 0;
    int32_t width = 0, height = 0;
    uint16_t planes = 0, bits = 0;
    uint32_t compression = 0;
    size_t rowSize = 0;
    std::vector<uint8_t> bytes;
    Pixels rgb;  // decoded, top row first
};
BmpFile ReadBmp(const std::string& path);

}  // namespace kv::imageconv::test
