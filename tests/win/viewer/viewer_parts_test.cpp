// The viewer's own pieces, called directly: command-line handling, fitting an image into
// an area, and loading image files.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/e2e/driver/files.h"
#include "tests/win/viewer/scratch_folder.h"
#include "viewer/command_line.h"
#include "viewer/picture.h"

namespace kv::test {
namespace {

using viewer::FitInside;

std::wstring PathFrom(const wchar_t* line, bool* ok) {
    wchar_t out[64];
    *ok = viewer::ImagePathFromCommandLine(line, out, 64);
    return *ok ? out : L"";
}

TEST(ViewerCommandLineTest, TakesTheWholeLineWithBlanksAsOnePath) {
    bool ok = false;
    EXPECT_EQ(PathFrom(L"D:\\pics\\a b.jpg", &ok), L"D:\\pics\\a b.jpg");
    EXPECT_TRUE(ok);
    EXPECT_EQ(PathFrom(L"  D:\\pics\\a b.jpg \r\n", &ok), L"D:\\pics\\a b.jpg");
    EXPECT_EQ(PathFrom(L"\"D:\\pics\\a b.jpg\"", &ok), L"D:\\pics\\a b.jpg");
    // Quotes inside the line are part of the path as given.
    EXPECT_EQ(PathFrom(L"D:\\\"x\" y", &ok), L"D:\\\"x\" y");
}

TEST(ViewerCommandLineTest, RefusesEmptyMissingAndOverlongLines) {
    bool ok = true;
    PathFrom(L"   ", &ok);
    EXPECT_FALSE(ok);
    PathFrom(L"\"\"", &ok);
    EXPECT_FALSE(ok);
    PathFrom(nullptr, &ok);
    EXPECT_FALSE(ok);
    PathFrom(std::wstring(64, L'x').c_str(), &ok);
    EXPECT_FALSE(ok);
    PathFrom(std::wstring(63, L'x').c_str(), &ok);
    EXPECT_TRUE(ok);
}

TEST(ViewerCommandLineTest, WidensGbkText) {
    wchar_t out[16];
    ASSERT_TRUE(viewer::WidenCommandLine("图 a", out, 16));
    EXPECT_EQ(std::wstring(out), L"图 a");
}

TEST(ViewerCommandLineTest, SplitsPrintArgumentsQuotedOrBare) {
    const wchar_t* line = L" /pt \"D:\\a b.bmp\" \"My Printer\" winspool  LPT1:";
    wchar_t argument[32];
    std::wstring parts;
    while ((line = viewer::NextArgument(line, argument, 32)) != nullptr) {
        parts += std::wstring(L"[") + argument + L"]";
    }
    EXPECT_EQ(parts, L"[/pt][D:\\a b.bmp][My Printer][winspool][LPT1:]");
    EXPECT_EQ(viewer::NextArgument(L"toolongargument", argument, 8), nullptr);
}

RECT Area(int width, int height) {
    return RECT{0, 0, width, height};
}

void ExpectRect(const RECT& rect, int left, int top, int right, int bottom) {
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right, right);
    EXPECT_EQ(rect.bottom, bottom);
}

TEST(ViewerFitTest, ShrinksLargeImagesKeepingTheirShapeAndCentres) {
    // A wide image is limited by the width, a tall one by the height.
    ExpectRect(FitInside(2000, 1000, Area(800, 600), false), 0, 100, 800, 500);
    ExpectRect(FitInside(1000, 2000, Area(800, 600), false), 250, 0, 550, 600);
    ExpectRect(FitInside(1600, 1200, Area(800, 600), false), 0, 0, 800, 600);
}

TEST(ViewerFitTest, ShowsSmallImagesAtTheirSizeUnlessAskedToEnlarge) {
    ExpectRect(FitInside(100, 50, Area(800, 600), false), 350, 275, 450, 325);
    ExpectRect(FitInside(100, 50, Area(800, 600), true), 0, 100, 800, 500);
}

TEST(ViewerFitTest, KeepsAtLeastOnePixelAndHonoursTheAreaOrigin) {
    ExpectRect(FitInside(10000, 1, Area(100, 100), false), 0, 49, 100, 50);
    ExpectRect(FitInside(50, 50, RECT{10, 20, 110, 120}, false), 35, 45, 85, 95);
}

// The picture's colour at (x, y) as red, green, blue.
COLORREF PixelOf(const viewer::Picture& picture, int x, int y) {
    DIBSECTION dib;
    if (GetObjectW(picture.bitmap(), sizeof dib, &dib) != sizeof dib) return CLR_INVALID;
    const auto* row = static_cast<const BYTE*>(dib.dsBm.bmBits) + y * dib.dsBm.bmWidthBytes;
    return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
}

TEST(ViewerPictureTest, LoadsEveryFormatTheLibraryReadsAndRefusesOtherContent) {
    ScratchFolder folder("viewer picture");
    ASSERT_TRUE(e2e::WriteFileBytes(folder.path() + "图 1.bmp", e2e::MakeBmp24(37, 21)));
    ASSERT_TRUE(e2e::WriteFileBytes(folder.path() + "junk.bmp", "BMnot a bitmap"));
    const struct {
        std::string path;
        int width, height;
        COLORREF colour;  // of the pixel at (1, 1); CLR_INVALID: not checked
    } cases[] = {
        {folder.path() + "图 1.bmp", 37, 21, CLR_INVALID},
        {e2e::TestImage("solid.png"), 20, 10, RGB(0x33, 0x66, 0xCC)},
        {e2e::TestImage("solid.webp"), 30, 20, RGB(0xC0, 0x80, 0x40)},
        {e2e::TestImage("example.heic"), 1280, 854, CLR_INVALID},
        {e2e::TestImage("solid.jxl"), 30, 20, RGB(0xC0, 0x80, 0x40)},
        {e2e::TestImage("turned.jxl"), 48, 64, CLR_INVALID},
    };
    wchar_t path[MAX_PATH];
    for (const auto& c : cases) {
        MultiByteToWideChar(CP_ACP, 0, c.path.c_str(), -1, path, MAX_PATH);
        viewer::Picture picture;
        ASSERT_TRUE(picture.Load(path)) << c.path;
        EXPECT_TRUE(picture.loaded());
        EXPECT_EQ(picture.width(), c.width);
        EXPECT_EQ(picture.height(), c.height);
        if (c.colour != CLR_INVALID) {
            EXPECT_EQ(PixelOf(picture, 1, 1), c.colour) << c.path;
        }
    }

    MultiByteToWideChar(CP_ACP, 0, (folder.path() + "junk.bmp").c_str(), -1, path, MAX_PATH);
    viewer::Picture junk;
    EXPECT_FALSE(junk.Load(path));
    EXPECT_FALSE(junk.loaded());
}

}  // namespace
}  // namespace kv::test
