// One palette for the backdrop and the button faces together, since the
// launcher draws the buttons through the backdrop's colour table on a
// 256-colour screen. Quantised with libimagequant from both images.
#pragma once

#include <string>
#include <vector>

#include "kit/disc/RgbImage.h"

struct SharedPalette {
    std::vector<uint32_t> colours;  // 0xRRGGBB, at most 256
    IndexedImage backdrop;          // dithered: gradients and photographs stay smooth
    IndexedImage faces;             // each pixel its nearest colour: text keeps its edges
};

bool QuantizeTogether(const RgbImage& backdrop, const RgbImage& faces, SharedPalette* out, std::string* error);

// Peak signal-to-noise ratio of the indexed image against its source, in
// decibels over the three channels; infinite where they are equal.
double Psnr(const RgbImage& source, const IndexedImage& indexed, const std::vector<uint32_t>& colours);
