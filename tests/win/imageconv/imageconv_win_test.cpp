// The image conversion library on Windows: the command entry called as the kernel calls
// it, GBK paths, hidden backing files in GetTempPathA's directory and their clean-up.
#include <gtest/gtest.h>
#include <png.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "imageconv/convert_to_bmp.h"
#include "imageconv/library_info.h"
#include "imageconv/memory/counted_memory.h"
#include "imageconv/memory/mapped_buffer.h"
#include "imageconv/memory/platform.h"
#include "tests/e2e/driver/files.h"
#include "tests/host/imageconv/test_images.h"

namespace kv::imageconv::test {
namespace {

// A fresh folder per test (its name holds Chinese characters) that also serves as the
// temporary directory, so that backing files can be counted.
class WinImageConvTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char base[MAX_PATH];
        ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, base), 0u);
        root_ = std::string(base) + "\\图像测试 " + std::to_string(GetCurrentProcessId()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS);
        temp_ = root_ + "\\临时";
        ASSERT_TRUE(CreateDirectoryA(temp_.c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS);
        char old[MAX_PATH] = {};
        hadTmp_ = GetEnvironmentVariableA("TMP", old, MAX_PATH) > 0;
        oldTmp_ = old;
        SetEnvironmentVariableA("TMP", temp_.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("TMP", hadTmp_ ? oldTmp_.c_str() : nullptr);
        // Wide calls: a test leaves names the code page cannot spell.
        EXPECT_TRUE(e2e::RemoveTree(root_));
    }

    int BackingFiles() const {
        int count = 0;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((temp_ + "\\QRVCLASS*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return 0;
        do ++count;
        while (FindNextFileA(search, &found));
        FindClose(search);
        return count;
    }

    std::string Path(const std::string& name) const { return root_ + "\\" + name; }

    int32_t CallCommand(const char* source, const char* target) {
        ArgValue args[2];
        memset(args, 0, sizeof args);
        args[0].value.text = const_cast<char*>(source);
        args[0].type = tag::kText;
        args[1].value.text = const_cast<char*>(target);
        args[1].type = tag::kText;
        ArgValue result;
        memset(&result, 0, sizeof result);
        const LibraryInfo& info = ImageConvLibraryInfo();
        info.commands[0](&result, 2, args);
        EXPECT_EQ(result.type, tag::kInt);
        return result.value.i32;
    }

    std::string root_, temp_, oldTmp_;
    bool hadTmp_ = false;
};

TEST_F(WinImageConvTest, RunsWithTheChineseCodePage) {
    EXPECT_EQ(GetACP(), 936u);
}

TEST_F(WinImageConvTest, BackingFilesAreHiddenNumberedAndDeleted) {
    std::string name;
    ASSERT_TRUE(TempFileName(kBackingPrefix, &name));
    EXPECT_EQ(name, temp_ + "\\QRVCLASS0.tmp");
    MappedBuffer first, second;
    ASSERT_TRUE(first.Allocate(4096));
    ASSERT_TRUE(second.Allocate(10));
    EXPECT_EQ(first.path(), temp_ + "\\QRVCLASS0.tmp");
    EXPECT_EQ(second.path(), temp_ + "\\QRVCLASS1.tmp");
    const DWORD attributes = GetFileAttributesA(first.path().c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    first.data()[4095] = 1;
    first.Flush();
    EXPECT_EQ(BackingFiles(), 2);
    // Closing the handles deletes the file, even when the block does not ask for it.
    first.Release(false);
    EXPECT_EQ(BackingFiles(), 1);
    second.Release();
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(WinImageConvTest, MissingTemporaryDirectoryFailsTheAllocation) {
    SetEnvironmentVariableA("TMP", Path("不存在").c_str());
    MappedBuffer buffer;
    EXPECT_FALSE(buffer.Allocate(16));
}

// A user name the code page lacks is in the temporary folder's path: the backing files are
// made under its short name.
TEST_F(WinImageConvTest, ATemporaryFolderNamedOutsideTheCodePageIsReachedByItsShortName) {
    wchar_t wideRoot[MAX_PATH];
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, root_.c_str(), -1, wideRoot, MAX_PATH), 0);
    const std::wstring wideTemp = std::wstring(wideRoot) + L"\\사용자 임시";
    ASSERT_TRUE(CreateDirectoryW(wideTemp.c_str(), nullptr));
    SetEnvironmentVariableW(L"TMP", wideTemp.c_str());
    std::string name;
    ASSERT_TRUE(TempFileName(kBackingPrefix, &name));
    EXPECT_EQ(name.find('?'), std::string::npos) << name;

    const std::string png = Path("照片.png");
    ASSERT_TRUE(WritePng(png, 4, 3, PNG_COLOR_TYPE_RGB, 8, Pattern(4, 3, 3).data));
    EXPECT_EQ(CallCommand(png.c_str(), Path("照片.png.bmp").c_str()), 1);
}

TEST_F(WinImageConvTest, CommandConvertsFilesWithGbkPaths) {
    const Pixels rgb = Pattern(13, 6, 3);
    const std::string png = Path("照片.png");
    ASSERT_TRUE(WritePng(png, 13, 6, PNG_COLOR_TYPE_RGB, 8, rgb.data));
    const std::string out = Path("照片.png.bmp");
    ASSERT_EQ(CallCommand(png.c_str(), out.c_str()), 1);
    BmpFile bmp = ReadBmp(out);
    ASSERT_TRUE(bmp.valid);
    EXPECT_EQ(bmp.rgb.data, rgb.data);
    EXPECT_EQ(bmp.fileSize, 6u * 40 + 54);

    const std::string jpeg = Path("灰度.jpg");
    ASSERT_TRUE(WriteJpeg(jpeg, Solid(5, 5, {90}), 100));
    ASSERT_EQ(CallCommand(jpeg.c_str(), out.c_str()), 1);
    bmp = ReadBmp(out);
    ASSERT_TRUE(bmp.valid);
    EXPECT_NEAR(bmp.rgb.data[0], 90, 1);

    const std::string tiff = Path("图.tif");
    ASSERT_TRUE(WriteTiff(tiff, rgb, 5));
    ASSERT_EQ(CallCommand(tiff.c_str(), out.c_str()), 1);
    EXPECT_EQ(ReadBmp(out).rgb.data, rgb.data);

    const std::string pcx = Path("图.pcx");
    ASSERT_TRUE(WriteFile(pcx, Pcx24(rgb, 14)));
    ASSERT_EQ(CallCommand(pcx.c_str(), out.c_str()), 1);
    EXPECT_EQ(ReadBmp(out).rgb.data, rgb.data);
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(WinImageConvTest, FailuresReturnTheirCodesAndLeaveNoBackingFiles) {
    const std::string out = Path("结果.bmp");
    EXPECT_EQ(CallCommand(Path("没有.jpg").c_str(), out.c_str()), -1);
    const std::string text = Path("文本.txt");
    ASSERT_TRUE(WriteFile(text, {'t', 'e', 'x', 't'}));
    EXPECT_EQ(CallCommand(text.c_str(), out.c_str()), -3);
    std::vector<uint8_t> shortBmp = Bmp24(Pattern(9, 9, 3));
    shortBmp.resize(120);
    const std::string cut = Path("短.bmp");
    ASSERT_TRUE(WriteFile(cut, shortBmp));
    EXPECT_EQ(CallCommand(cut.c_str(), out.c_str()), -3);
    // A library's allocation past the budget fails the conversion.
    const std::string png = Path("图.png"), jpeg = Path("图.jpg");
    ASSERT_TRUE(WritePng(png, 64, 48, PNG_COLOR_TYPE_RGB, 8, Pattern(64, 48, 3).data));
    ASSERT_TRUE(WriteJpeg(jpeg, Pattern(64, 48, 3)));
    for (const std::string& picture : {png, jpeg}) {
        CountedMemory budget({kMaxBlockBytes, 4096});
        EXPECT_EQ(CallCommand(picture.c_str(), out.c_str()), -3) << picture;
    }
    EXPECT_EQ(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(CallCommand(jpeg.c_str(), out.c_str()), 1);
    ASSERT_TRUE(DeleteFileA(out.c_str()));

    const std::string good = Path("好.bmp");
    ASSERT_TRUE(WriteFile(good, Bmp24(Pattern(3, 3, 3))));
    EXPECT_EQ(CallCommand(good.c_str(), Path("无此目录\\a.bmp").c_str()), -4);
    EXPECT_EQ(CallCommand(nullptr, out.c_str()), -7);
    EXPECT_EQ(CallCommand(good.c_str(), nullptr), -7);
    EXPECT_EQ(BackingFiles(), 0);
}

TEST_F(WinImageConvTest, PhotoCdImagePacConvertsTo768By512) {
    const std::string pcd = Path("相片.pcd");
    ASSERT_TRUE(WriteFile(pcd, PhotoCdFile(PhotoCdPattern())));
    const std::string out = Path("相片.bmp");
    ASSERT_EQ(CallCommand(pcd.c_str(), out.c_str()), 1);
    BmpFile bmp = ReadBmp(out);
    ASSERT_TRUE(bmp.valid);
    EXPECT_EQ(bmp.width, 768);
    EXPECT_EQ(bmp.height, 512);
    EXPECT_EQ(BackingFiles(), 0);
}

}  // namespace
}  // namespace kv::imageconv::test
