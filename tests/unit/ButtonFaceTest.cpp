#include <gtest/gtest.h>

#include "ui/ButtonFace.h"

namespace {

RECT Rect(LONG l, LONG t, LONG r, LONG b) { return RECT{l, t, r, b}; }

struct SizeRow {
    RECT strip;
    UINT rows;
    LONG cx, cy;
};

TEST(ButtonFaceTest, FaceSizeIsTheStripDividedAndTruncated) {
    const SizeRow rows[] = {
        {Rect(0, 0, 500, 160), 4, 100, 40},
        {Rect(0, 0, 503, 163), 4, 100, 40},  // leftover pixels never show
        {Rect(0, 0, 504, 164), 4, 100, 41},
        {Rect(0, 0, 4, 3), 4, 0, 0},
        {Rect(0, 0, 0, 0), 4, 0, 0},  // an empty strip
        {Rect(0, 0, 250, 30), 1, 50, 30},
    };
    for (const SizeRow& row : rows) {
        SIZE face = GetFaceSize(row.strip, row.rows);
        EXPECT_EQ(row.cx, face.cx) << row.strip.right << "x" << row.strip.bottom;
        EXPECT_EQ(row.cy, face.cy) << row.strip.right << "x" << row.strip.bottom;
    }
}

TEST(ButtonFaceTest, FaceRectIsColumnAndRowTimesTheFaceSize) {
    SIZE face = GetFaceSize(Rect(0, 0, 500, 160), 4);
    RECT rc = GetFaceRect(face, FaceHover, 2);
    EXPECT_EQ(300, rc.left);
    EXPECT_EQ(80, rc.top);
    EXPECT_EQ(400, rc.right);
    EXPECT_EQ(120, rc.bottom);
    rc = GetFaceRect(face, FaceNormal, 0);
    EXPECT_EQ(0, rc.left + rc.top);
    EXPECT_EQ(100, rc.right);
    EXPECT_EQ(40, rc.bottom);
}

struct ColumnRow {
    UINT state;
    bool hover;
    FaceColumn column;
};

TEST(ButtonFaceTest, PressedBeatsHoverBeatsFocus) {
    const UINT kDisabled = 0x0004, kDefault = 0x0020;
    const ColumnRow rows[] = {
        {0, false, FaceNormal},
        {ODS_FOCUS, false, FaceFocus},
        {0, true, FaceHover},
        {ODS_FOCUS, true, FaceHoverFocus},
        {ODS_SELECTED, false, FacePressed},
        {ODS_SELECTED, true, FacePressed},
        {ODS_SELECTED | ODS_FOCUS, true, FacePressed},
        {ODS_SELECTED | ODS_FOCUS, false, FacePressed},
        {kDisabled | kDefault, false, FaceNormal},  // other states are not looked at
        {kDisabled | ODS_FOCUS, true, FaceHoverFocus},
    };
    for (const ColumnRow& row : rows)
        EXPECT_EQ(row.column, ChooseFaceColumn(row.state, row.hover))
            << "state " << row.state << " hover " << row.hover;
}

}  // namespace
