// Writing bitmap files: the headers' fields as given, so that a caller can
// also make the odd files that other tools write.
#pragma once

#include <cstdint>
#include <vector>

#include "kit/disc/RgbImage.h"

struct BmpFields {
    int32_t width = 0, height = 0;  // a negative height: rows top-down
    uint16_t bitCount = 8;
    uint32_t infoSize = 40;     // what the header says; the layout is that of 40 bytes
    uint32_t compression = 0;
    uint32_t clrUsed = 0;       // the colour table's entries as the header gives them
    int offBitsDelta = 0;       // added to the true offset of the pixels
};

// A file of the fields, the colour table (0xRRGGBB each) and the packed rows
// as they are to lie in the file.
std::vector<unsigned char> EncodeBmp(const BmpFields& fields, const std::vector<uint32_t>& table,
                                     const std::vector<unsigned char>& bits);

// An uncompressed, bottom-up 8-bit BMP with a 40-byte information header and
// the palette (0xRRGGBB, at most 256) as its colour table: what the launcher's
// loader reads.
std::vector<unsigned char> EncodeBmp8(const IndexedImage& image, const std::vector<uint32_t>& palette);
