// A bitmap file of the disc, read as the launcher's loader reads it (two
// reads: the file header, then bfSize - 14 bytes, zero-filled where the file
// is short), with what the loader would make of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/PackedDib.h"

struct DiscBitmap {
    std::vector<BYTE> packed;
    DibLayout layout = {};
    LONG width = 0;
    LONG height = 0;  // rows, whichever way they run
};

struct BitmapReading {
    bool loaded = false;
    std::string rejection;             // why the loader refuses it, when it does
    std::vector<std::string> misreads;  // what it reads other than the file means
};

BitmapReading ReadDiscBitmap(const std::vector<unsigned char>& file, DiscBitmap* bitmap);

// The pixels as 0xRRGGBB, top row first, colours from the bitmap's own table.
std::vector<uint32_t> DecodePixels(const DiscBitmap& bitmap);
