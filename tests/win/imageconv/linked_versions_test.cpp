// The libraries linked into the Windows program report, at run time, the versions the
// set-up built from deps/pins.
#include <dav1d/dav1d.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <jxl/decode.h>
#include <lcms2.h>
#include <libde265/de265.h>
#include <libheif/heif.h>
#include <libraw/libraw.h>
#include <png.h>
#include <tiffio.h>
#include <webp/decode.h>
#include <webp/demux.h>

#include <map>
#include <string>

#include "pinned_versions.h"

namespace {

// libwebp and Little CMS report numbers: 0x010600 is 1.6.0, 2190 is 2.19.
std::string ThreePart(int number, int base) {
    return std::to_string(number / base / base) + "." + std::to_string(number / base % base) + "." +
           std::to_string(number % base);
}

TEST(LinkedLibraries, ReportThePinnedVersions) {
    const std::string tiff = TIFFGetVersion();
    const size_t tiffAt = tiff.find("Version ") + 8;
    const std::map<std::string, std::string> linked = {
        // libjpeg's interface has no version call: the version of the headers installed
        // with the library stands in for it.
        {"libjpeg-turbo", ThreePart(LIBJPEG_TURBO_VERSION_NUMBER, 1000)},
        {"libpng1.6", png_get_libpng_ver(nullptr)},
        {"tiff", tiff.substr(tiffAt, tiff.find('\n') - tiffAt)},
        {"libwebp", ThreePart(WebPGetDecoderVersion(), 256)},
        {"libde265", de265_get_version()},
        {"dav1d", dav1d_version()},
        {"libheif", heif_get_version()},
        {"jpeg-xl", ThreePart(int(JxlDecoderVersion()), 1000)},
        {"lcms2", std::to_string(cmsGetEncodedCMMversion() / 1000) + "." +
                      std::to_string(cmsGetEncodedCMMversion() % 1000 / 10)},
        // LibRaw adds its release kind: "0.21.4-Release".
        {"libraw",
         std::string(LibRaw::version()).substr(0, std::string(LibRaw::version()).find('-'))},
    };
    EXPECT_EQ(ThreePart(WebPGetDemuxVersion(), 256), linked.at("libwebp"));
    EXPECT_EQ(std::size(kPinnedVersions), linked.size());
    for (const auto& [package, pinned] : kPinnedVersions) {
        const std::string version = linked.at(package);
        // Little CMS reports no patch level.
        const std::string compared = package == std::string("lcms2")
                                         ? std::string(pinned).substr(0, version.size())
                                         : pinned;
        EXPECT_EQ(version, compared) << package << " pinned at " << pinned;
    }
}

}  // namespace
