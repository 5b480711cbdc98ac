// Faces of an image button: a strip of equal faces, one row per button and
// one column per look.
#pragma once

#include "platform/Graphics.h"

enum FaceColumn {
    FaceNormal = 0,
    FaceFocus = 1,
    FacePressed = 2,
    FaceHover = 3,
    FaceHoverFocus = 4,
};
const int kFaceColumns = 5;

// The strip's width / 5 and height / nRows, truncated: leftover pixels at the
// right and bottom are never shown. nRows is at least 1.
SIZE GetFaceSize(const RECT& strip, UINT nRows);

// The face of the given column and row in the strip.
RECT GetFaceRect(SIZE face, int nColumn, int nRow);

// Pressed wins over hover, hover over focus.
FaceColumn ChooseFaceColumn(UINT nItemState, bool bHover);
