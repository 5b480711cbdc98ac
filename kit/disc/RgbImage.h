// Pictures as the kit passes them along: true colour (the author's images,
// drawn faces, the previews of the front window) and palette indices (the
// bitmaps the art command writes).
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
