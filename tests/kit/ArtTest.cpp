// bxdisc art on a test disc: artwork the check finds clean, with one colour
// table in both bitmaps, five faces that differ; and for bad input a message
// naming the file, with the disc folder left exactly as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "TestDisc.h"
#include "kit/art/ArtImage.h"
#include "kit/art/DiscArt.h"
#include "kit/art/StarterBackdrop.h"
#include "kit/disc/DiscBitmap.h"
#include "kit/check/DiscCheck.h"
#include "kit/disc/DiscFolder.h"
#include "ui/ButtonFace.h"

namespace {

// A sky from dark to light blue, its top rows half transparent.
uint32_t Sky(int x, int y) {
    uint32_t alpha = y < 20 ? 0x80 : 0xFF;
    return alpha << 24 | (uint32_t)(x * 255 / 540) << 16 | (uint32_t)(y * 200 / 340) << 8 | 0xC0;
}

// A face sheet of 150 x 36 faces, each of its own flat colour.
uint32_t Sheet(int x, int y) { return 0xFF000000 | (uint32_t)(x / 150 * 50) << 16 | (uint32_t)(y / 36 * 60) << 8 | 0x20; }

struct ArtDisc : TestDisc {
    ArtDisc() {
        LayOutClean();
        Finish();
        WriteRgbaPng(folder() + "/art.png", 540, 340, Sky);
        WriteRgbaPng(folder() + "/faces.png", 750, 144, Sheet);
        options.folder = folder();
        options.backdrop = folder() + "/art.png";
        options.backdropName = "back.bmp";
        options.buttonsName = "buttons.bmp";
        options.updateInf = true;
    }
    std::vector<unsigned char> Read(const std::string& name) {
        std::vector<unsigned char> bytes;
        ReadWholeFile(folder() + "/" + name, &bytes);
        return bytes;
    }
    ArtOptions options;
};

class ArtTest : public ::testing::TestWithParam<bool> {};

TEST_P(ArtTest, PassesTheCheckWithOnePalette) {
    ArtDisc disc;
    if (GetParam()) disc.options.sheet = disc.folder() + "/faces.png";
    // The keys are set anew where the disc had other names.
    disc.SetKey("AutorunBackdrop", "old.bmp");
    disc.Finish();
    ArtReport report;
    std::string error;
    ASSERT_TRUE(MakeDiscArt(disc.options, &report, &error)) << error;

    std::vector<Finding> findings;
    EXPECT_EQ(kDiscClean, CheckDisc(disc.folder(), DiscCheckOptions(), &findings))
        << (findings.empty() ? "" : FormatFinding(findings[0]));
    std::vector<unsigned char> back = disc.Read("back.bmp"), buttons = disc.Read("buttons.bmp");
    ASSERT_GT(back.size(), 54u + 1024);
    ASSERT_GT(buttons.size(), 54u + 1024);
    for (const auto* b : {&back, &buttons}) {
        EXPECT_EQ(40, (*b)[14]);
        EXPECT_EQ(8, (*b)[28]);
        EXPECT_EQ(0, (*b)[30]);
    }
    size_t cbTable = 4 * report.colours;
    EXPECT_EQ(0, memcmp(&back[54], &buttons[54], cbTable));
    EXPECT_GT(report.backdropPsnr, 30);
    EXPECT_GT(report.buttonsPsnr, GetParam() ? 45 : 30);

    // Transparent pixels take the background colour (black here): the
    // top-left corner is dark, the bottom-left full.
    DiscBitmap backdrop, strip;
    ASSERT_TRUE(ReadDiscBitmap(back, &backdrop).loaded);
    ASSERT_TRUE(ReadDiscBitmap(buttons, &strip).loaded);
    std::vector<uint32_t> sky = DecodePixels(backdrop);
    EXPECT_GT(sky[540 * 339] & 0xFF, 0xB0u);
    EXPECT_LT(sky[0] & 0xFF, 0x70u);

    // Each button's five faces differ from one another.
    std::vector<uint32_t> faces = DecodePixels(strip);
    for (int row = 0; row < 4; ++row) {
        for (int a = 0; a < kFaceColumns; ++a) {
            for (int b = a + 1; b < kFaceColumns; ++b) {
                size_t nDiffer = 0;
                for (int y = 0; y < 36; ++y)
                    for (int x = 0; x < 150; ++x)
                        nDiffer += faces[(size_t)(row * 36 + y) * 750 + a * 150 + x] !=
                                   faces[(size_t)(row * 36 + y) * 750 + b * 150 + x];
                EXPECT_GT(nDiffer, 150u) << "row " << row << ", faces " << a << " and " << b;
            }
        }
    }
}

// Flat colours that all fit the table stay exact: each face's own, and
// the background's in the wholly transparent backdrop.
TEST(Art, FlatColoursStayExact) {
    ArtDisc disc;
    WriteRgbaPng(disc.folder() + "/art.png", 540, 340, [](int, int) { return 0u; });
    disc.options.sheet = disc.folder() + "/faces.png";
    disc.options.background = 0x327820;  // the sheet's colour in column 1, row 2
    ArtReport report;
    std::string error;
    ASSERT_TRUE(MakeDiscArt(disc.options, &report, &error)) << error;
    EXPECT_TRUE(std::isinf(report.buttonsPsnr)) << report.buttonsPsnr;
    DiscBitmap backdrop;
    ASSERT_TRUE(ReadDiscBitmap(disc.Read("back.bmp"), &backdrop).loaded);
    EXPECT_EQ(0x327820u, DecodePixels(backdrop)[0]);
}

// The run button's face of a column.
std::vector<uint32_t> RunFace(const RgbImage& sheet, const FaceStyle& style, int column) {
    std::vector<uint32_t> face;
    for (int y = 0; y < style.height; ++y)
        for (int x = 0; x < style.width; ++x)
            face.push_back(sheet.pixels[(size_t)y * sheet.width + column * style.width + x]);
    return face;
}

TEST(Art, PressedLabelLiesOnePixelDownAndRight) {
    FaceStyle style;
    RgbImage sheet;
    std::string error;
    ASSERT_TRUE(DrawFaceSheet(style, &sheet, &error)) << error;
    // The label's full white ink.
    auto label = [&](int column) { return FindColour(RunFace(sheet, style, column), style.width, 0xFFFFFF); };
    RECT normal = label(FaceNormal), pressed = label(FacePressed);
    ASSERT_LT(normal.left, normal.right);
    EXPECT_EQ(normal.left + 1, pressed.left);
    EXPECT_EQ(normal.top + 1, pressed.top);
    EXPECT_EQ(normal.right + 1, pressed.right);
    EXPECT_EQ(normal.bottom + 1, pressed.bottom);
}

// The author's Autorun.inf is theirs: written only when asked for.
TEST(Art, AutorunInfLeftAsItIsUnlessAsked) {
    ArtDisc disc;
    ArtOptions options;
    options.folder = disc.options.folder;
    options.backdrop = disc.options.backdrop;
    std::vector<unsigned char> inf = disc.Read("Autorun.inf");
    ArtReport report;
    std::string error;
    ASSERT_TRUE(MakeDiscArt(options, &report, &error)) << error;
    EXPECT_EQ(inf, disc.Read("Autorun.inf"));
    EXPECT_EQ("", report.infPath);
}

// The focus shows as dots in the label's ink, beside the same label.
TEST(Art, FocusDotsAreInTheLabelsInk) {
    FaceStyle style;
    RgbImage sheet;
    std::string error;
    ASSERT_TRUE(DrawFaceSheet(style, &sheet, &error)) << error;
    auto inked = [&](int column) {
        std::vector<uint32_t> face = RunFace(sheet, style, column);
        return std::count(face.begin(), face.end(), 0xFFFFFFu);
    };
    EXPECT_GT(inked(FaceFocus), inked(FaceNormal) + 20);
}

// A vertical gradient, darker at the bottom, with the product's name across it.
TEST(Art, StarterBackdropDarkensDownwardUnderTheName) {
    RgbImage image;
    std::string error;
    ASSERT_TRUE(DrawStarterBackdrop("Brindle Writer", 0x2858A8, &image, &error)) << error;
    auto at = [&](int x, int y) { return image.pixels[(size_t)y * image.width + x]; };
    auto luma = [](uint32_t c) { return (c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF); };
    EXPECT_GT(luma(at(0, 0)), luma(at(0, kStarterHeight - 1)) + 200);
    int written = 0;  // rows that are not one colour across: the name's
    for (int y = 0; y < kStarterHeight; ++y)
        for (int x = 1; x < kStarterWidth; ++x)
            if (at(x, y) != at(0, y)) {
                ++written;
                break;
            }
    EXPECT_GT(written, 10);
}

// ImageMagick's JPEGs of a PNG, in RGB and in CMYK (Adobe's inverted ink, as Photoshop writes it), read back
// as the PNG's colours. CMYK here means no colour profile: ink taken off white, as ImageMagick puts it on.
TEST(Art, JpegOfRgbOrCmykKeepsItsColours) {
    const uint32_t kBlocks[] = {0xC03020, 0x2858A8, 0xF0E0C0, 0x081030, 0x30A050, 0xFFFFFF, 0x000000, 0x808080};
    auto blocks = [&](int x, int y) { return 0xFF000000u | kBlocks[y / 32 * 4 + x / 32]; };
    TestDisc work;
    const std::string png = work.folder() + "/art.png";
    ASSERT_TRUE(WriteRgbaPng(png, 128, 64, blocks));
    for (const std::string space : {"sRGB", "CMYK"}) {
        const std::string jpeg = work.folder() + "/" + space + ".jpg";
        ASSERT_EQ(0, system(("convert " + png + " -colorspace " + space + " -quality 100 " + jpeg).c_str()));
        RgbImage image;
        std::string error;
        ASSERT_TRUE(ReadArtImage(jpeg, 0, &image, &error)) << space << ": " << error;
        ASSERT_EQ(128, image.width);
        // Each block's middle, away from the ringing at its edges.
        for (int i = 0; i < 8; ++i) {
            int x = i % 4 * 32 + 16, y = i / 4 * 32 + 16;
            uint32_t got = image.pixels[(size_t)y * 128 + x];
            for (int shift : {16, 8, 0})
                EXPECT_NEAR((int)(kBlocks[i] >> shift & 0xFF), (int)(got >> shift & 0xFF), 6)
                    << space << ", block " << i << std::hex << ": " << got;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Faces, ArtTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "FromSheet" : "Drawn"; });

struct BadCase {
    const char* name;
    std::function<void(ArtDisc&)> change;
    const char* message;  // part of the error, which names the file
};

const BadCase kBad[] = {
    {"MissingBackdrop", [](ArtDisc& d) { d.options.backdrop = d.folder() + "/absent.png"; }, "absent.png: cannot be read"},
    {"TextForBackdrop", [](ArtDisc& d) { d.Write("art.png", "<svg/>"); }, "art.png: neither a PNG nor a JPEG"},
    {"TruncatedPng",
     [](ArtDisc& d) {
         std::vector<unsigned char> png = d.Read("art.png");
         png.resize(png.size() / 2);
         d.Write("art.png", png);
     },
     "art.png: a damaged or truncated PNG"},
    {"SheetNotFiveByFour",
     [](ArtDisc& d) {
         WriteRgbaPng(d.folder() + "/faces.png", 752, 144, Sheet);
         d.options.sheet = d.folder() + "/faces.png";
     },
     "faces.png: 752 x 144 is not 5 faces across and 4 down"},
    {"LabelTooWide", [](ArtDisc& d) { d.options.faces.labels[1] = "Set the whole thing up again"; },
     "faces: the label \"Set the whole thing up again\" is"},
    {"FontMissing", [](ArtDisc& d) { d.options.faces.font = "Brindle Nonesuch 12"; },
     "faces: the font \"Brindle Nonesuch\" is not installed"},
    {"FacesTooWide", [](ArtDisc& d) { d.options.faces.width = 300; }, "art.png: faces of 300 x 36 do not fit a 540 x 340 backdrop"},
    {"ButtonsPlaceIsFolder", [](ArtDisc& d) { d.Remove("buttons.bmp"), d.Write("buttons.bmp/x", "x"); }, "buttons.bmp: is a folder"},
    {"WideAutorunInf",
     [](ArtDisc& d) {
         d.writeInf = false;
         d.Write("Autorun.inf", std::vector<unsigned char>{0xFF, 0xFE, '[', 0});
     },
     "Autorun.inf: UTF-16 text"},
};

class ArtBadInputTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(ArtBadInputTest, NamesTheFileAndWritesNothing) {
    ArtDisc disc;
    GetParam().change(disc);
    std::vector<std::string> before, after;
    ListFilesBelow(disc.folder(), &before);
    std::vector<std::vector<unsigned char>> bytes;
    for (const std::string& name : before) bytes.push_back(disc.Read(name));

    ArtReport report;
    std::string error;
    ASSERT_FALSE(MakeDiscArt(disc.options, &report, &error));
    EXPECT_NE(std::string::npos, error.find(GetParam().message)) << error;
    ListFilesBelow(disc.folder(), &after);
    ASSERT_EQ(before, after);
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(bytes[i], disc.Read(before[i])) << before[i];
}

INSTANTIATE_TEST_SUITE_P(Inputs, ArtBadInputTest, ::testing::ValuesIn(kBad),
                         [](const ::testing::TestParamInfo<BadCase>& info) { return info.param.name; });

}  // namespace
