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
// in its focused face, as the window opens. No strip: the backdrop alone.
FrontImage DrawFront(const DiscBitmap& backdrop, const DiscBitmap* strip, bool bInstalled);

bool WritePng(const std::string& path, const FrontImage& image);
