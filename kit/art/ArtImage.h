// The author's images read for the art command: PNG, and JPEG where the
// kit was built with libjpeg, laid over a background colour where they are
// transparent.
#pragma once

#include <string>

#include "kit/disc/RgbImage.h"

// More pixels than this are refused before anything is allocated; as an
// 8-bit bitmap they take half the largest file the launcher's loader reads.
const long kArtMaxPixels = 4096L * 4096;

// False with the reason (a file that cannot be read, is neither PNG nor
// JPEG, is truncated or damaged, or is too large), the path not included.
bool ReadArtImage(const std::string& path, uint32_t background, RgbImage* image, std::string* error);
