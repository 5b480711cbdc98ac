// Pictures as the art command passes them along: true colour from the
// author's images and drawn faces, and palette indices for the bitmaps.
#pragma once

#include <cstdint>
#include <vector>

struct RgbImage {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0xRRGGBB, top row first
};

struct IndexedImage {
    int width = 0, height = 0;
    std::vector<uint8_t> indices;  // into a palette, top row first
};
