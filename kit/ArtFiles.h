// Writing the artwork into a disc folder: 8-bit bitmaps as the launcher's
// loader reads them, and files replaced so that a failure half way leaves
// what was there before.
#pragma once

#include <string>
#include <vector>

#include "kit/Raster.h"

// An uncompressed, bottom-up 8-bit BMP with a 40-byte information header and
// the palette (0xRRGGBB, at most 256) as its colour table.
std::vector<unsigned char> EncodeBmp8(const IndexedImage& image, const std::vector<uint32_t>& palette);

struct FileContent {
    std::string path;
    std::vector<unsigned char> bytes;
};

// Writes every file to a temporary file beside it, and only when all are
// written renames them into place. False, with the reason, and no file
// changed when a file cannot be written or its place holds a folder.
bool ReplaceFiles(const std::vector<FileContent>& files, std::string* error);
