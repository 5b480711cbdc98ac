// The front window as the launcher lays it out, drawn on Linux: the backdrop
// at the client origin and each shown button's face at its place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kit/DiscBitmap.h"
#include "ui/FrontLayout.h"

struct FrontImage {
    LONG width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0xRRGGBB, top row first
    ButtonPlacement placement = {};
};

// The strip's face size, as each button takes it from its four rows.
SIZE StripFaceSize(const DiscBitmap& strip);

// What is wrong with the buttons' places on a client area of the backdrop's
// size, in both states of the product: overlaps and buttons that leave it.
std::vector<std::string> LayoutProblems(LONG cxClient, LONG cyClient, SIZE face);

// Buttons in their normal faces, the first one in tab order (the leftmost)
// in its focused face, as the window opens; or, given a face column
// (FaceColumn), every shown button in that face. No strip: the backdrop alone.
const int kOpeningFaces = -1;
FrontImage DrawFront(const DiscBitmap& backdrop, const DiscBitmap* strip, bool bInstalled,
                     int nColumn = kOpeningFaces);

// Every face on one sheet: the band of the window that holds the buttons,
// in each of the five faces from top to bottom (normal, focused, pressed,
// hover, hover and focused), not installed on the left, installed on the right.
FrontImage DrawAllFaces(const DiscBitmap& backdrop, const DiscBitmap& strip);

bool WritePng(const std::string& path, const FrontImage& image);
