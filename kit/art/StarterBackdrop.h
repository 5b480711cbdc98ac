// A first backdrop for a new disc: the product's name on a quiet gradient of
// the faces' colour, until the author has artwork of their own.
#pragma once

#include <cstdint>
#include <string>

#include "kit/disc/RgbImage.h"

const int kStarterWidth = 540, kStarterHeight = 340;

// False with the reason for a name that is not UTF-8 or a font that is missing.
bool DrawStarterBackdrop(const std::string& productName, uint32_t accent, RgbImage* image, std::string* error);
