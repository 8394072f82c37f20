// The hostile files, each converted in a child process, whose outcome, growth of resident
// memory and time are checked against the row.
#include "tests/host/imageconv/hostile_files.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>

#include "imageconv/convert_to_bmp.h"
#include "imageconv/memory/counted_memory.h"
#include "tests/host/imageconv/scratch_dir.h"

namespace kv::imageconv::test {
namespace {

struct Outcome {
    int32_t result = 0;
    double growthMegabytes = -1;
    double seconds = 0;
};

long StatusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return atol(line.c_str() + strlen(field) + 1);
    }
    return -1;
}

// Converts in a child process: its result, how far its peak resident memory rose above
// what it had at the start, and how long it took.
Outcome ConvertInChild(const std::string& source, const std::string& target) {
    const auto start = std::chrono::steady_clock::now();
    int channel[2];
    if (pipe(channel) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        std::ofstream("/proc/self/clear_refs") << "5";  // peak := current
        const long before = StatusKilobytes("VmHWM:");
        Outcome outcome;
        outcome.result = ConvertFileToBmp(source.c_str(), target.c_str());
        outcome.growthMegabytes = double(StatusKilobytes("VmHWM:") - before) / 1024;
        _exit(write(channel[1], &outcome, sizeof outcome) == sizeof outcome ? 0 : 1);
    }
    // Without the write end here, a child that dies reads as end of file, not as a wait.
    close(channel[1]);
    Outcome outcome;
    if (read(channel[0], &outcome, sizeof outcome) != sizeof outcome) outcome = {};
    close(channel[0]);
    waitpid(child, nullptr, 0);
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}

using HostileFileTest = ScratchDirTest;

// Not a speed target (the benchmark has those) but a bound no time bomb stays under, even
// with the sanitizers.
constexpr double kSecondsBound = 10;

TEST_F(HostileFileTest, AreRefusedOrConvertedWithinTheMemoryBound) {
    for (const HostileFile& row : HostileFiles(Path("scratch.jpg"))) {
        const Bytes bytes = row.make();
        ASSERT_FALSE(bytes.empty()) << row.name;
        const Outcome outcome = ConvertInChild(WriteBytes(row.name, bytes), Path("out.bmp"));
        EXPECT_EQ(outcome.result, row.result) << row.name;
        EXPECT_GE(outcome.growthMegabytes, 0) << row.name;
        EXPECT_LT(outcome.growthMegabytes, row.megabytes) << row.name;
        EXPECT_LT(outcome.seconds, kSecondsBound) << row.name;
        EXPECT_EQ(BackingFiles(), 0) << row.name;
    }
}

// Each library in turn runs out of its budget at every step from nothing up, each an eighth
// above the last (so that some fall between the decoding and the colour conversion): the
// picture is refused cleanly (the sanitizers see no fault or leak) or decoded whole, never
// in part.
TEST_F(HostileFileTest, AllocationsPastTheBudgetFailTheConversionCleanly) {
    const Pixels rgb = Pattern(64, 48, 3);
    ASSERT_TRUE(WriteJpeg(Path("a.jpg"), rgb));
    ASSERT_TRUE(WriteJpeg(Path("p.jpg"), rgb, 90, true));
    ASSERT_TRUE(WritePng(Path("a.png"), 64, 48, 2, 8, rgb.data));
    ASSERT_TRUE(WriteTiff(Path("a.tif"), rgb, 5));
    // Refused while a colour profile is held, too.
    const Bytes icc = ReadFile("/usr/share/color/icc/ghostscript/rommrgb.icc");
    WriteBytes("icc.jpg", WithIccProfile(ReadFile(Path("a.jpg")), icc, icc.size()));
    WriteBytes("icc.heic", SmallHeic(icc));
    WriteBytes("icc.webp",
               Riff(Vp8x(0x20, 3, 2) + WebpChunk("ICCP", icc) + WebpChunk("VP8L", Vp8l(3, 2))));
    ASSERT_TRUE(WriteJpeg(Path("preview.jpg"), rgb));
    DngParts raw;
    raw.preview = ReadFile(Path("preview.jpg"));
    raw.orientation = 8;
    WriteBytes("a.dng", Dng(raw));
    const std::string files[] = {
        Path("a.jpg"),
        Path("p.jpg"),
        Path("a.png"),
        Path("a.tif"),
        Path("a.dng"),
        DataFile("test.webp"),
        DataFile("seed-lossless.webp"),
        DataFile("seed-alpha.webp"),
        DataFile("seed-animated.webp"),
        DataFile("seed.heic"),
        DataFile("seed-alpha.avif"),
        Path("icc.jpg"),
        Path("icc.heic"),
        Path("icc.webp"),
        DataFile("seed.jxl"),
        DataFile("seed-lossless.jxl"),
        DataFile("seed-animated.jxl"),
        DataFile("turned.jxl"),
    };
    for (const std::string& file : files) {
        RasterImage image;
        ASSERT_EQ(LoadAnyImage(file.c_str(), &image, true), kConverted) << file;
        const Pixels whole = PixelsOf(image);
        int refusals = 0;
        for (uint64_t heap = 0; heap < (1ull << 30); heap = heap ? heap + heap / 8 : 256) {
            int32_t result = 0;
            {
                CountedMemory budget({kMaxBlockBytes, heap});
                result = LoadAnyImage(file.c_str(), &image, true);
            }
            EXPECT_EQ(BackingFiles(), 0) << file << " " << heap;
            if (result == kConverted) {
                EXPECT_EQ(PixelsOf(image).data, whole.data) << file << " " << heap;
                break;
            }
            EXPECT_EQ(result, kNotDecoded) << file << " " << heap;
            ++refusals;
        }
        EXPECT_GT(refusals, 0) << file;
        EXPECT_EQ(PixelsOf(image).data, whole.data) << file;
    }
    // Our own storage counts too.
    WriteBytes("a.bmp", Bmp24(rgb));
    RasterImage image;
    CountedMemory budget({64 * 48 * 3 - 1, kLibraryBudget});
    EXPECT_EQ(LoadAnyImage(Path("a.bmp").c_str(), &image, true), kNotDecoded);
}

}  // namespace
}  // namespace kv::imageconv::test
