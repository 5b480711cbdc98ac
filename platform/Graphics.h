// Rectangles, sizes, owner-draw states and bitmap constants, for the front
// window's arithmetic.
#pragma once

#include "platform/Types.h"

#ifndef _WIN32
typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT;

typedef struct tagSIZE {
    LONG cx;
    LONG cy;
} SIZE;

#define ODS_SELECTED 0x0001u
#define ODS_FOCUS 0x0010u
#define PC_NOCOLLAPSE 0x04
#define BI_RGB 0
#endif
