#include <gtest/gtest.h>

#include "ui/ButtonFace.h"
#include "ui/FrontLayout.h"

namespace {

struct Placed {
    int id;
    LONG left, top, right, bottom;
};

void ExpectPlacement(const ButtonPlacement& p, std::initializer_list<Placed> shown) {
    bool expectShown[kFrontButtons] = {};
    for (const Placed& b : shown) {
        int i = b.id - IDC_RUN;
        expectShown[i] = true;
        ASSERT_TRUE(p.bShown[i]) << b.id;
        EXPECT_EQ(b.left, p.rc[i].left) << b.id;
        EXPECT_EQ(b.top, p.rc[i].top) << b.id;
        EXPECT_EQ(b.right, p.rc[i].right) << b.id;
        EXPECT_EQ(b.bottom, p.rc[i].bottom) << b.id;
    }
    for (int i = 0; i < kFrontButtons; ++i) EXPECT_EQ(expectShown[i], p.bShown[i]) << 100 + i;
}

TEST(FrontLayoutTest, InstalledProductGetsRunSetupAgainAndExit) {
    SIZE face = GetFaceSize(RECT{0, 0, 500, 160}, 4);
    ExpectPlacement(PlaceFrontButtons(400, 300, face, true, 1),
                    {{IDC_RUN, 10, 250, 110, 290},
                     {IDC_SETUP_AGAIN, 180, 250, 280, 290},
                     {IDC_EXIT, 290, 250, 390, 290}});
}

TEST(FrontLayoutTest, ProductNotInstalledGetsInstallAndExit) {
    SIZE face = GetFaceSize(RECT{0, 0, 500, 160}, 4);
    ExpectPlacement(PlaceFrontButtons(400, 300, face, false, 1),
                    {{IDC_INSTALL, 10, 250, 110, 290}, {IDC_EXIT, 290, 250, 390, 290}});
}

// On a grown window every rectangle is the 96-DPI one multiplied, margins included.
TEST(FrontLayoutTest, ScaledWindowMultipliesEveryPlace) {
    SIZE face = GetFaceSize(RECT{0, 0, 500, 160}, 4);
    ExpectPlacement(PlaceFrontButtons(800, 600, face, true, 2),
                    {{IDC_RUN, 20, 500, 220, 580},
                     {IDC_SETUP_AGAIN, 360, 500, 560, 580},
                     {IDC_EXIT, 580, 500, 780, 580}});
    ExpectPlacement(PlaceFrontButtons(1200, 900, face, false, 3),
                    {{IDC_INSTALL, 30, 750, 330, 870}, {IDC_EXIT, 870, 750, 1170, 870}});
}

TEST(FrontLayoutTest, ScaleIsTheWholeNumberOfTimes96DpiAtLeastOne) {
    const struct {
        int nDpi;
        LONG nScale;
    } rows[] = {{96, 1}, {120, 1}, {144, 1}, {191, 1}, {192, 2}, {287, 2}, {288, 3}, {480, 5},
                {72, 1}, {0, 1}, {-192, 1}};
    for (const auto& row : rows) EXPECT_EQ(row.nScale, FrontScale(row.nDpi)) << row.nDpi;
}

TEST(FrontLayoutTest, NarrowClientAreaOverlapsRatherThanClamps) {
    SIZE face = {100, 40};
    ExpectPlacement(PlaceFrontButtons(150, 30, face, true, 1),
                    {{IDC_RUN, 10, -20, 110, 20},
                     {IDC_SETUP_AGAIN, -70, -20, 30, 20},
                     {IDC_EXIT, 40, -20, 140, 20}});
}

struct CommandRow {
    WPARAM wParam;
    int result;
};

TEST(FrontLayoutTest, OnlyAClickOfAButtonEndsTheWindow) {
    const CommandRow rows[] = {
        {100, IDRUNPRODUCT},
        {101, IDRUNSETUP},
        {102, IDRUNSETUP},
        {103, IDCANCEL},
        {104, 0},
        {99, 0},
        {IDOK, 0},      // left to the dialog's own OK and cancel commands
        {IDCANCEL, 0},
        {0x00010064, 0},  // a double click (BN_DOUBLECLICKED) of button 100
        {0x00060065, 0},  // focus notifications
        {0x00070066, 0},
    };
    for (const CommandRow& row : rows)
        EXPECT_EQ(row.result, FrontCommandResult(row.wParam)) << std::hex << row.wParam;
}

}  // namespace
