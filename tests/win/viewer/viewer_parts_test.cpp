// The viewer's own pieces, called directly: command-line handling, fitting an image into
// an area, and loading bitmap files.
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

TEST(ViewerPictureTest, LoadsBitmapsAndRefusesOtherContent) {
    ScratchFolder folder("viewer picture");
    ASSERT_TRUE(e2e::WriteFileBytes(folder.path() + "图 1.bmp", e2e::MakeBmp24(37, 21)));
    ASSERT_TRUE(e2e::WriteFileBytes(folder.path() + "junk.bmp", "BMnot a bitmap"));
    wchar_t path[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, (folder.path() + "图 1.bmp").c_str(), -1, path, MAX_PATH);

    viewer::Picture picture;
    ASSERT_TRUE(picture.Load(path));
    EXPECT_TRUE(picture.loaded());
    EXPECT_EQ(picture.width(), 37);
    EXPECT_EQ(picture.height(), 21);

    MultiByteToWideChar(CP_ACP, 0, (folder.path() + "junk.bmp").c_str(), -1, path, MAX_PATH);
    viewer::Picture junk;
    EXPECT_FALSE(junk.Load(path));
    EXPECT_FALSE(junk.loaded());
}

}  // namespace
}  // namespace kv::test
