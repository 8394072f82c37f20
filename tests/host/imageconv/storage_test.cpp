// Backing files, image storage and the conversion to 24 bits.
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "imageconv/formats/to_24bit.h"
#include "imageconv/memory/counted_memory.h"
#include "imageconv/memory/mapped_buffer.h"
#include "imageconv/memory/platform.h"
#include "imageconv/memory/write_ahead.h"
#include "imageconv/raster_image.h"
#include "tests/host/imageconv/scratch_dir.h"

namespace kv::imageconv::test {
namespace {

using StorageTest = ScratchDirTest;

// A crash leaves no backing file behind: each is unlinked as soon as it is open, so its
// number is free again for the next block, while the block keeps its bytes.
TEST_F(StorageTest, BackingFilesAreNumberedFromZeroAndGoneOnceMapped) {
    MappedBuffer first, second;
    ASSERT_TRUE(first.Allocate(100));
    EXPECT_EQ(BackingFiles(), 0);
    // Another file under the first number moves the search on.
    WriteFile(TempDir() + "/QRVCLASS0.tmp", {1});
    ASSERT_TRUE(second.Allocate(5000));
    EXPECT_EQ(first.path(), TempDir() + "/QRVCLASS0.tmp");
    EXPECT_EQ(second.path(), TempDir() + "/QRVCLASS1.tmp");
    EXPECT_EQ(BackingFiles(), 1);
    first.data()[99] = 7;
    second.data()[4999] = 9;
    EXPECT_EQ(first.data()[99] + second.data()[4999], 16);
    // Releasing never removes a file under the name the block had.
    first.Release();
    second.Release();
    EXPECT_EQ(BackingFiles(), 1);
}

TEST_F(StorageTest, ReleaseWithoutDeleteKeepsTheFileAndItsBytes) {
    MappedBuffer buffer;
    ASSERT_TRUE(buffer.Allocate(4, kBackingPrefix, Path("kept.bin").c_str()));
    memcpy(buffer.data(), "abcd", 4);
    buffer.Flush();
    buffer.Release(false);
    EXPECT_EQ(buffer.data(), nullptr);
    EXPECT_EQ(buffer.size(), 0u);
    EXPECT_EQ(ReadFile(Path("kept.bin")), (std::vector<uint8_t>{'a', 'b', 'c', 'd'}));
}

TEST_F(StorageTest, ZeroSizeOrMissingTemporaryDirectoryFailsAndLeavesNothing) {
    MappedBuffer buffer;
    ASSERT_TRUE(buffer.Allocate(16));
    EXPECT_FALSE(buffer.Allocate(0));  // releases the previous block too
    EXPECT_EQ(buffer.data(), nullptr);
    EXPECT_EQ(BackingFiles(), 0);

    setenv("TMPDIR", Path("absent").c_str(), 1);
    std::string name;
    EXPECT_FALSE(TempFileName(kBackingPrefix, &name));
    EXPECT_FALSE(buffer.Allocate(16));
    // A file where the directory should be is no directory either.
    WriteFile(Path("plain"), {1});
    setenv("TMPDIR", Path("plain").c_str(), 1);
    EXPECT_FALSE(TempFileName(kBackingPrefix, &name));
}

TEST_F(StorageTest, UnwritableBackingFileFailsCleanly) {
    MappedBuffer buffer;
    EXPECT_FALSE(buffer.Allocate(16, kBackingPrefix, Path("no/such/dir/file.tmp").c_str()));
    EXPECT_EQ(buffer.data(), nullptr);
    EXPECT_TRUE(buffer.path().empty());
}

TEST(BlockSizeTest, ProductsBeyondTheLimitAreRefusedWithoutOverflow) {
    size_t size = 0;
    EXPECT_TRUE(BlockSize(6000, 4000, 3, &size));
    EXPECT_EQ(size, 72000000u);
    EXPECT_FALSE(BlockSize(0, 10, 3, &size));
    EXPECT_FALSE(BlockSize(0x7FFFFFFF, 0x7FFFFFFF, 4, &size));
    EXPECT_FALSE(BlockSize(0xFFFFFFFFull, 0xFFFFFFFFull, 4, &size));
    EXPECT_FALSE(BlockSize(65536, 65536, 1, &size));  // 4 GiB
    EXPECT_TRUE(BlockSize(1, kMaxBlockBytes, 1, &size));
    EXPECT_FALSE(BlockSize(2, kMaxBlockBytes / 2 + 1, 1, &size));
}

TEST_F(StorageTest, CreateSizesStorageExactlyAndRefusesBadShapes) {
    RasterImage image;
    ASSERT_TRUE(image.Create(5, 3, 16, 0));
    EXPECT_EQ(image.stride(), 10u);
    {
        // 30 bytes exactly, counted against a running conversion's storage budget.
        CountedMemory budget({30, kLibraryBudget});
        EXPECT_TRUE(image.Create(5, 3, 16, 0));
        // The old storage goes with a new Create, and its share of the budget with it.
        EXPECT_TRUE(image.Create(3, 5, 16, 0));
        EXPECT_FALSE(image.Create(31, 1, 8, 0));
        EXPECT_TRUE(image.empty());
    }
    ASSERT_TRUE(image.Create(7, 2, 8, 16));
    EXPECT_EQ(image.paletteCount(), 16);
    EXPECT_FALSE(image.Create(0, 5, 24, 0));
    EXPECT_TRUE(image.empty());
    EXPECT_FALSE(image.Create(5, -1, 24, 0));
    EXPECT_FALSE(image.Create(5, 5, 12, 0));
    EXPECT_FALSE(image.Create(5, 5, 8, 257));
    EXPECT_FALSE(image.Create(0x7FFFFFFF, 0x7FFFFFFF, 32, 0));
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(BackingFiles(), 0);
}

// The heap budget counts what the conversion took: a block taken before it lends it nothing
// when freed, and grows into the budget whole.
TEST(CountedMemoryTest, BlocksTakenBeforeTheConversionLendItNothing) {
    void* volatile before = malloc(1 << 20);
    void* volatile other = malloc(1 << 20);
    ASSERT_NE(before, nullptr);
    ASSERT_NE(other, nullptr);
    CountedMemory budget({kMaxBlockBytes, 1 << 16});
    EXPECT_EQ(realloc(other, 1 << 19), nullptr);
    free(before);
    free(other);
    void* volatile past = malloc(1 << 17);
    EXPECT_EQ(past, nullptr);
    free(past);
    void* volatile within = malloc(1 << 10);
    EXPECT_NE(within, nullptr);
    free(within);
}

// A decoder that fills a fresh block from the top while its pages are made writable ahead of
// it, one that stops early, and one that writes in an order of its own: every byte it wrote
// is kept, and every byte it did not write keeps what the block held.
TEST_F(StorageTest, PagesMadeWritableAheadKeepEveryByte) {
    constexpr size_t kSize = (size_t(9) << 20) + 777;  // large enough for a thread of its own
    const auto held = [](size_t i) { return uint8_t(i * 7 + 3); };
    const auto written = [](size_t i) { return uint8_t(i * 11 + 1); };
    for (const size_t stopAt : {kSize, size_t(1) << 20, size_t(0)}) {
        SCOPED_TRACE(testing::Message() << "decoder stops at " << stopAt);
        MappedBuffer block;
        ASSERT_TRUE(block.Allocate(kSize));
        for (size_t i = 0; i < kSize; ++i) block.data()[i] = held(i);
        WriteAhead ahead;
        ahead.Start(block.data(), kSize);
        for (size_t begin = 0, step = 4099; begin < stopAt; begin += step, step = step * 3 / 2) {
            const size_t end = std::min(begin + step, stopAt);
            ahead.WaitFor(end);
            for (size_t i = begin; i < end; ++i) block.data()[i] = written(i);
        }
        ahead.Stop();
        size_t wrong = 0;
        for (size_t i = 0; i < kSize; ++i)
            wrong += block.data()[i] != (i < stopAt ? written(i) : held(i));
        EXPECT_EQ(wrong, 0u);
        TouchPages(block.data(), kSize);
        for (size_t i = 0; i < kSize; ++i)
            wrong += block.data()[i] != (i < stopAt ? written(i) : held(i));
        EXPECT_EQ(wrong, 0u) << "touched all at once";
    }
}

class ConversionTest : public ScratchDirTest {
  protected:
    // Converts a 2 × 1 image made by `fill` and answers its six RGB bytes.
    template <typename Fill>
    std::vector<uint8_t> Convert(int bits, int paletteCount, Fill fill) {
        RasterImage source, target;
        EXPECT_TRUE(source.Create(2, 1, bits, paletteCount));
        fill(source);
        EXPECT_TRUE(target.Create(2, 1, 24, 0));
        EXPECT_TRUE(ConvertTo24Bit(source, &target));
        return std::vector<uint8_t>(target.pixels(), target.pixels() + 6);
    }
};

TEST_F(ConversionTest, EachDepthBecomesRedGreenBlue) {
    EXPECT_EQ(Convert(8, 3,
                      [](RasterImage& s) {
                          s.palette()[1] = {10, 20, 30};
                          s.palette()[2] = {40, 50, 60};
                          s.pixels()[0] = 2;
                          s.pixels()[1] = 1;
                      }),
              (std::vector<uint8_t>{40, 50, 60, 10, 20, 30}));
    EXPECT_EQ(Convert(8, 0,
                      [](RasterImage& s) {
                          s.pixels()[0] = 0;
                          s.pixels()[1] = 200;
                      }),
              (std::vector<uint8_t>{0, 0, 0, 200, 200, 200}));
    // 16-bit words: red 31, green 0, blue 0 -> 0xF800; red 0, green 31, blue 31 -> 0x07FE.
    EXPECT_EQ(Convert(16, 0,
                      [](RasterImage& s) {
                          uint8_t words[4] = {0x00, 0xF8, 0xFE, 0x07};
                          memcpy(s.pixels(), words, 4);
                      }),
              (std::vector<uint8_t>{0xF8, 0, 0, 0, 0xF8, 0xF8}));
    EXPECT_EQ(Convert(32, 0,
                      [](RasterImage& s) {
                          uint8_t argb[8] = {0, 1, 2, 3, 255, 4, 5, 6};
                          memcpy(s.pixels(), argb, 8);
                      }),
              (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Convert(24, 0,
                      [](RasterImage& s) {
                          uint8_t rgb[6] = {9, 8, 7, 6, 5, 4};
                          memcpy(s.pixels(), rgb, 6);
                      }),
              (std::vector<uint8_t>{9, 8, 7, 6, 5, 4}));
}

// Rows of odd widths: every pixel, the last of each row included, lands in its own three
// bytes and nothing spills into the neighbouring row; a picture of a few megapixels is
// converted in bands side by side, each keeping to its rows.
TEST_F(ConversionTest, WideRowsConvertEveryPixelInPlace) {
    const struct {
        int width, height, bits, paletteCount;
    } cases[] = {{7, 3, 8, 0},       {7, 3, 8, 256},       {7, 3, 32, 0},
                 {1531, 1399, 8, 0}, {1531, 1399, 8, 256}, {1531, 1399, 32, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << ", " << c.bits
                                        << " bits, palette " << c.paletteCount);
        RasterImage source, target;
        ASSERT_TRUE(source.Create(c.width, c.height, c.bits, c.paletteCount));
        for (int i = 0; i < c.paletteCount; ++i) {
            source.palette()[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)};
        }
        for (size_t i = 0; i < size_t(c.width * c.height * c.bits / 8); ++i) {
            source.pixels()[i] = uint8_t(i * 13 + 5);
        }
        ASSERT_TRUE(target.Create(c.width, c.height, 24, 0));
        ASSERT_TRUE(ConvertTo24Bit(source, &target));
        for (int p = 0; p < c.width * c.height; ++p) {
            uint8_t expected[3];
            if (c.bits == 32) {
                memcpy(expected, source.pixels() + p * 4 + 1, 3);
            } else if (c.paletteCount) {
                const PaletteEntry& entry = source.palette()[source.pixels()[p]];
                expected[0] = entry.red, expected[1] = entry.green, expected[2] = entry.blue;
            } else {
                memset(expected, source.pixels()[p], 3);
            }
            ASSERT_EQ(memcmp(target.pixels() + p * 3, expected, 3), 0) << "pixel " << p;
        }
    }
}

TEST_F(ConversionTest, IndexesBeyondThePaletteBecomeBlack) {
    EXPECT_EQ(Convert(8, 1,
                      [](RasterImage& s) {
                          s.palette()[0] = {1, 2, 3};
                          s.pixels()[0] = 0;
                          s.pixels()[1] = 255;
                      }),
              (std::vector<uint8_t>{1, 2, 3, 0, 0, 0}));
}

TEST_F(ConversionTest, MismatchedSizesOrTargetDepthAreRefused) {
    RasterImage source, target;
    ASSERT_TRUE(source.Create(2, 2, 8, 0));
    ASSERT_TRUE(target.Create(2, 3, 24, 0));
    EXPECT_FALSE(ConvertTo24Bit(source, &target));
    ASSERT_TRUE(target.Create(2, 2, 32, 0));
    EXPECT_FALSE(ConvertTo24Bit(source, &target));
    RasterImage empty;
    ASSERT_TRUE(target.Create(2, 2, 24, 0));
    EXPECT_FALSE(ConvertTo24Bit(empty, &target));
}

}  // namespace
}  // namespace kv::imageconv::test
