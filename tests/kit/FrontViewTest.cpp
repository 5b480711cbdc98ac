// The preview puts each face where the launcher's layout puts its button,
// read back from the PNG it writes.
#include <gtest/gtest.h>
#include <png.h>

#include <unistd.h>

#include <cstdio>

#include "TestDisc.h"
#include "kit/preview/FrontView.h"
#include "ui/ButtonFace.h"

namespace {

// Strip index of face (row, column): 1 + 5 * row + column; the backdrop is 0.
uint8_t FaceIndex(int row, int column) { return (uint8_t)(1 + 5 * row + column); }

// A 500 x 160 strip: faces of 100 x 40, each of its own colour.
BmpSpec FaceStrip() {
    BmpSpec strip;
    strip.width = 500;
    strip.height = 160;
    strip.index = [](int x, int y) { return FaceIndex(y / 40, x / 100); };
    return strip;
}

DiscBitmap Load(const BmpSpec& desc) {
    DiscBitmap bitmap;
    EXPECT_TRUE(ReadDiscBitmap(MakeBmp(desc), &bitmap).loaded);
    return bitmap;
}

std::vector<uint32_t> ReadPng(const std::string& path, int* width, int* height) {
    std::vector<uint32_t> pixels;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return pixels;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_read_info(png, info);
        *width = (int)png_get_image_width(png, info);
        *height = (int)png_get_image_height(png, info);
        EXPECT_EQ(PNG_COLOR_TYPE_RGB, png_get_color_type(png, info));
        std::vector<png_byte> row((size_t)*width * 3);
        for (int y = 0; y < *height; ++y) {
            png_read_row(png, row.data(), nullptr);
            for (int x = 0; x < *width; ++x)
                pixels.push_back((uint32_t)row[3 * x] << 16 | (uint32_t)row[3 * x + 1] << 8 | row[3 * x + 2]);
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(f);
    return pixels;
}

struct PreviewCase {
    bool bInstalled;
    // Row of the strip, the face column it shows, and its rectangle; row -1 ends.
    struct Button {
        int row, column;
        RECT rc;
    } buttons[4];
};

// A 400 x 300 backdrop and a 500 x 160 strip: faces of 100 x 40.
const PreviewCase kPreviews[] = {
    {true, {{0, 1, {10, 250, 110, 290}}, {1, 0, {180, 250, 280, 290}}, {3, 0, {290, 250, 390, 290}}, {-1, 0, {}}}},
    {false, {{2, 1, {10, 250, 110, 290}}, {3, 0, {290, 250, 390, 290}}, {-1, 0, {}}, {-1, 0, {}}}},
};

class PreviewTest : public ::testing::TestWithParam<PreviewCase> {};

TEST_P(PreviewTest, FacesLieWhereTheLayoutPutsTheButtons) {
    const PreviewCase& c = GetParam();
    DiscBitmap backdrop = Load(BmpSpec()), faces = Load(FaceStrip());
    ButtonPlacement placement;
    RgbImage image = DrawFront(backdrop, &faces, c.bInstalled, kOpeningFaces, &placement);

    char path[] = "/tmp/bxdisc-preview-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_TRUE(WritePng(path, image));
    int width = 0, height = 0;
    std::vector<uint32_t> pixels = ReadPng(path, &width, &height);
    remove(path);
    ASSERT_EQ(400, width);
    ASSERT_EQ(300, height);

    int nShown = 0;
    for (const auto& b : c.buttons) {
        if (b.row < 0) break;
        ++nShown;
        RECT found = FindColour(pixels, width, TestColour(FaceIndex(b.row, b.column)));
        EXPECT_EQ(b.rc.left, found.left) << "row " << b.row;
        EXPECT_EQ(b.rc.top, found.top) << "row " << b.row;
        EXPECT_EQ(b.rc.right, found.right) << "row " << b.row;
        EXPECT_EQ(b.rc.bottom, found.bottom) << "row " << b.row;
        // The layout the launcher uses agrees, slot by slot.
        ASSERT_TRUE(placement.bShown[b.row]);
        EXPECT_EQ(b.rc.left, placement.rc[b.row].left);
        EXPECT_EQ(b.rc.top, placement.rc[b.row].top);
    }
    // Nothing else of the strip shows, and the backdrop fills the rest.
    size_t nBackdrop = 0;
    for (uint32_t p : pixels) nBackdrop += p == TestColour(0);
    EXPECT_EQ(400u * 300u - nShown * 100u * 40u, nBackdrop);
}

INSTANTIATE_TEST_SUITE_P(States, PreviewTest, ::testing::ValuesIn(kPreviews));

TEST(Preview, AllFacesSheetHasEachLookInItsRowAndEachStateInItsHalf) {
    RgbImage sheet = DrawAllFaces(Load(BmpSpec()), Load(FaceStrip()));
    // Bands of the 60 rows below y 240, 8 apart; not installed left, installed from x 408.
    ASSERT_EQ(808, sheet.width);
    ASSERT_EQ(5 * 60 + 4 * 8, sheet.height);
    // Run and setup again only installed, install only not, exit in both.
    const LONG kLeft[4] = {418, 588, 10, 290}, kRight[4] = {518, 688, 110, 798};
    for (int column = 0; column < 5; ++column) {
        for (int row = 0; row < 4; ++row) {
            RECT rc = FindColour(sheet.pixels, sheet.width, TestColour(FaceIndex(row, column)));
            EXPECT_EQ(kLeft[row], rc.left) << "face " << row << ", " << column;
            EXPECT_EQ(kRight[row], rc.right) << "face " << row << ", " << column;
            EXPECT_EQ(68 * column + 10, rc.top) << "face " << row << ", " << column;
            EXPECT_EQ(68 * column + 50, rc.bottom) << "face " << row << ", " << column;
        }
    }
}

TEST(Preview, WithoutStripShowsTheBackdropAlone) {
    ButtonPlacement placement;
    RgbImage image = DrawFront(Load(BmpSpec()), nullptr, true, kOpeningFaces, &placement);
    for (int i = 0; i < kFrontButtons; ++i) EXPECT_FALSE(placement.bShown[i]);
    for (uint32_t p : image.pixels) ASSERT_EQ(TestColour(0), p);
}

// Faces of 125 x 100 on a 100 x 80 backdrop: install at (10,-30), exit over it at (-35,-30), each clipped
// to the window and showing the part of its face that lies there.
TEST(Preview, ButtonsBeyondTheBackdropAreClipped) {
    BmpSpec back, strip;
    back.width = 100;
    back.height = 80;
    strip.width = 625;
    strip.height = 400;
    // Each face in bands of its own colours: 25 rows (+20 each), and its left and right (+80).
    auto band = [](int x, int y) { return 20 * (y % 100 / 25) + 80 * (x % 125 / 64); };
    strip.index = [&](int x, int y) { return (uint8_t)(FaceIndex(y / 100, x / 125) + band(x, y)); };
    DiscBitmap faces = Load(strip);
    RgbImage image = DrawFront(Load(back), &faces, false, FaceNormal);
    ASSERT_EQ(100u * 80u, image.pixels.size());
    const uint8_t exit = FaceIndex(3, FaceNormal), install = FaceIndex(2, FaceNormal);
    const struct { int x, y, index; } kProbes[] = {
        {0, 0, exit + 20},    {28, 19, exit + 20},      {29, 0, exit + 100},      {0, 20, exit + 40},
        {89, 69, exit + 140}, {90, 0, install + 100},   {99, 69, install + 140},  {0, 70, 0},
        {99, 79, 0},
    };
    for (const auto& p : kProbes)
        EXPECT_EQ(TestColour((uint8_t)p.index), image.pixels[(size_t)p.y * 100 + p.x]) << p.x << ", " << p.y;
    // The backdrop shows below the buttons only.
    size_t nBackdrop = 0;
    for (uint32_t p : image.pixels) nBackdrop += p == TestColour(0);
    EXPECT_EQ(100u * 10u, nBackdrop);
}

// Each pixel becomes an n x n block of its colour, in its place: what the launcher draws at n times 96 DPI.
TEST(Preview, ScaledUpPixelByPixel) {
    RgbImage image;
    image.width = 3;
    image.height = 2;
    image.pixels = {0x000001, 0x000002, 0x000003, 0x000004, 0x000005, 0x000006};
    const std::vector<uint32_t> kTwice = {1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 4, 4, 5, 5, 6, 6};
    EXPECT_EQ(kTwice, ScaleUp(image, 2).pixels);
    for (int n = 1; n <= 4; ++n) {
        RgbImage scaled = ScaleUp(image, n);
        ASSERT_EQ(3 * n, scaled.width);
        ASSERT_EQ(2 * n, scaled.height);
        ASSERT_EQ((size_t)(6 * n * n), scaled.pixels.size());
        for (uint32_t p = 1; p <= 6; ++p) {
            RECT block = FindColour(scaled.pixels, scaled.width, p);
            LONG x = (LONG)((p - 1) % 3) * n, y = (LONG)((p - 1) / 3) * n;
            EXPECT_TRUE(block.left == x && block.top == y && block.right == x + n && block.bottom == y + n)
                << "pixel " << p << " at scale " << n;
        }
    }
}

}  // namespace
