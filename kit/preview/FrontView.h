// The front window as the launcher lays it out, drawn on Linux: the backdrop
// at the client origin and each shown button's face at its place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kit/disc/ButtonLayout.h"
#include "kit/disc/DiscBitmap.h"
#include "kit/disc/RgbImage.h"
#include "ui/FrontLayout.h"

// Buttons in their normal faces, the first one in tab order (the leftmost)
// in its focused face, as the window opens; or, given a face column
// (FaceColumn), every shown button in that face. No strip: the backdrop
// alone. *placed, where given, gets the buttons' places.
const int kOpeningFaces = -1;
RgbImage DrawFront(const DiscBitmap& backdrop, const DiscBitmap* strip, bool bInstalled,
                   int nColumn = kOpeningFaces, ButtonPlacement* placed = nullptr);

// Every face on one sheet: the band of the window that holds the buttons,
// in each of the five faces from top to bottom (normal, focused, pressed,
// hover, hover and focused), not installed on the left, installed on the right.
RgbImage DrawAllFaces(const DiscBitmap& backdrop, const DiscBitmap& strip);

// The picture at n times its size, every pixel an n x n block: the launcher
// at n times 96 DPI multiplies all its geometry by n and draws its bitmaps so.
RgbImage ScaleUp(const RgbImage& image, int n);

bool WritePng(const std::string& path, const RgbImage& image);
