#include "tests/fuzz/imageconv/fuzz_entries.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imageconv/convert_to_bmp.h"
#include "imageconv/formats/bmp_reader.h"
#include "imageconv/formats/heif/heif_reader.h"
#include "imageconv/formats/jpeg_reader.h"
#include "imageconv/formats/jxl/jxl_reader.h"
#include "imageconv/formats/orientation.h"
#include "imageconv/formats/pcx_reader.h"
#include "imageconv/formats/photocd_reader.h"
#include "imageconv/formats/png_reader.h"
#include "imageconv/formats/raw_reader.h"
#include "imageconv/formats/tiff_reader.h"
#include "imageconv/formats/webp_reader.h"

namespace kv::imageconv::fuzz {
namespace {

// Photo CD inputs are placed where the base image lives inside a signed 1 MiB image pac.
constexpr size_t kPhotoCdFileSize = 0x100000;
constexpr size_t kPhotoCdImageOffset = 0x30000;

std::string& WorkDirName() {
    static std::string dir;
    return dir;
}

void RemoveWorkDir() {
    const std::string& dir = WorkDirName();
    unlink((dir + "/input.bin").c_str());
    unlink((dir + "/input.dng").c_str());
    unlink((dir + "/output.bmp").c_str());
    rmdir(dir.c_str());
}

// A private folder made on first use and removed at exit; it is also the temporary
// directory, so that backing files can be checked.
const std::string& WorkDir() {
    std::string& dir = WorkDirName();
    if (dir.empty()) {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/imageconv-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) abort();
        dir = pattern;
        atexit(RemoveWorkDir);
    }
    setenv("TMPDIR", dir.c_str(), 1);
    return dir;
}

bool WriteInput(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = size == 0 || fwrite(data, size, 1, file) == 1;
    return fclose(file) == 0 && ok;
}

std::vector<uint8_t> PhotoCdPac(const uint8_t* data, size_t size) {
    std::vector<uint8_t> pac(kPhotoCdFileSize, 0);
    memcpy(pac.data() + 2048, "PCD_IPI", 7);
    const size_t room = kPhotoCdFileSize - kPhotoCdImageOffset;
    memcpy(pac.data() + kPhotoCdImageOffset, data, size < room ? size : room);
    return pac;
}

void AbortIfBackingFilesRemain(const std::string& dir) {
    DIR* listing = opendir(dir.c_str());
    if (!listing) abort();
    while (dirent* entry = readdir(listing)) {
        if (strncmp(entry->d_name, kBackingPrefix, strlen(kBackingPrefix)) == 0) {
            fprintf(stderr, "backing file left behind: %s\n", entry->d_name);
            abort();
        }
    }
    closedir(listing);
}

template <typename Reader>
void RunReader(const std::string& path) {
    Reader reader;
    RasterImage image;
    if (reader.Open(path.c_str(), &image)) {
        if (reader.Decode() && !image.empty()) {
            // Touch every byte so that an image smaller than its claimed size shows up.
            unsigned sum = 0;
            for (size_t i = 0; i < image.stride() * size_t(image.height()); ++i)
                sum += image.pixels()[i];
            if (sum == 0xFFFFFFFFu) fputc(0, stderr);
        }
    }
    reader.Close();
}

// The displayed-to-stored turn that undoes each orientation (index = orientation).
constexpr int kUndo[9] = {0, 1, 2, 3, 4, 5, 8, 7, 6};

// The EXIF parser answers 1–8 for any block; a small image made from the input, turned and
// turned back, is the image it was.
void CheckOrientation(const uint8_t* data, size_t size) {
    std::vector<uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), data, data + size);
    const int orientation = ExifOrientation(app1.data(), app1.size());
    if (orientation < 1 || orientation > 8) abort();
    if (size < 2) return;
    const int bits = 8 * (1 + data[0] % 4);
    RasterImage stored, shown, back;
    if (!stored.Create(1 + data[1] % 13, 1 + data[0] / 4 % 11, bits, bits == 8 ? 3 : 0)) abort();
    const size_t bytes = stored.stride() * size_t(stored.height());
    for (size_t i = 0; i < bytes; ++i) stored.pixels()[i] = data[i % size];
    const int turn = 1 + (data[size - 1] + orientation) % 8;
    if (!Orient(stored, turn, &shown) || !Orient(shown, kUndo[turn], &back)) abort();
    if (back.width() != stored.width() || back.height() != stored.height() ||
        back.bits() != stored.bits() || back.paletteCount() != stored.paletteCount() ||
        memcmp(back.pixels(), stored.pixels(), bytes) != 0) {
        abort();
    }
}

}  // namespace

int RunTarget(Target target, const uint8_t* data, size_t size) {
    const std::string& dir = WorkDir();
    // The RAW reader takes only files named as RAW photos.
    const std::string input = dir + (target == Target::kRaw ? "/input.dng" : "/input.bin");
    if (target == Target::kPhotoCd) {
        const std::vector<uint8_t> pac = PhotoCdPac(data, size);
        if (!WriteInput(input, pac.data(), pac.size())) abort();
    } else if (!WriteInput(input, data, size)) {
        abort();
    }
    switch (target) {
        case Target::kJpeg:
            RunReader<JpegReader>(input);
            break;
        case Target::kBmp:
            RunReader<BmpReader>(input);
            break;
        case Target::kTiff:
            RunReader<TiffReader>(input);
            break;
        case Target::kPng:
            RunReader<PngReader>(input);
            break;
        case Target::kPcx:
            RunReader<PcxReader>(input);
            break;
        case Target::kPhotoCd:
            RunReader<PhotoCdReader>(input);
            break;
        case Target::kWebp:
            RunReader<WebpReader>(input);
            break;
        case Target::kHeif:
            RunReader<HeifReader>(input);
            break;
        case Target::kJxl:
            RunReader<JxlReader>(input);
            break;
        case Target::kRaw:
            RunReader<RawReader>(input);
            break;
        case Target::kOrientation:
            CheckOrientation(data, size);
            break;
        case Target::kAnyImage: {
            const std::string output = dir + "/output.bmp";
            const int32_t result = ConvertFileToBmp(input.c_str(), output.c_str());
            const bool written = access(output.c_str(), F_OK) == 0;
            // Success and an output file go together.
            if ((result == kConverted) != written) abort();
            unlink(output.c_str());
            break;
        }
    }
    AbortIfBackingFilesRemain(dir);
    return 0;
}

}  // namespace kv::imageconv::fuzz
