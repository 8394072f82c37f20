// A fresh folder per test, with its own temporary directory (TMPDIR) so that the library's
// backing files can be counted.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "imageconv/raster_image.h"
#include "tests/host/imageconv/test_images.h"

namespace kv::imageconv::test {

class ScratchDirTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::string Path(const std::string& name) const { return (root_ / name).string(); }
    std::string TempDir() const { return (root_ / "tmp").string(); }
    // "QRVCLASS*" files in the temporary directory.
    int BackingFiles() const;
    std::string WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes);

  private:
    std::filesystem::path root_;
    std::string oldTmpdir_;
    bool hadTmpdir_ = false;
};

// The image's pixels as interleaved samples (24-bit: RGB; 8-bit: index or grey).
Pixels PixelsOf(const RasterImage& image);

}  // namespace kv::imageconv::test
