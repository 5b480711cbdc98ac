#include "kit/disc/DiscBitmap.h"

#include <cstdio>
#include <cstring>

#include "kit/disc/LittleEndian.h"

namespace {

std::string Describe(const BYTE* info, DWORD cbPacked) {
    if (cbPacked < kDibInfoHeaderSize) return "no room for the 40-byte information header";
    char sz[200];
    snprintf(sz, sizeof sz,
             "information header of %u bytes, %d x %d pixels, %u bits per pixel, compression %u, "
             "%u colours in use",
             (unsigned)Get32(info), (int)Get32(info + 4), (int)Get32(info + 8), (unsigned)Get16(info + 14),
             (unsigned)Get32(info + 16), (unsigned)Get32(info + 32));
    return sz;
}

}  // namespace

BitmapReading ReadDiscBitmap(const std::vector<unsigned char>& file, DiscBitmap* bitmap) {
    BitmapReading reading;
    char sz[200];
    if (file.empty()) {
        reading.rejection = "the file is empty";
        return reading;
    }
    BYTE header[kDibFileHeaderSize] = {};
    memcpy(header, file.data(), file.size() < sizeof header ? file.size() : sizeof header);
    DWORD bfSize = Get32(header + 2);
    DWORD cbPacked = PackedDibSize(header);
    if (cbPacked == 0) {
        snprintf(sz, sizeof sz, "its file header gives a size of %u bytes, which the loader refuses",
                 (unsigned)bfSize);
        reading.rejection = sz;
        return reading;
    }
    bitmap->packed.assign(cbPacked, 0);
    if (file.size() > kDibFileHeaderSize) {
        size_t n = file.size() - kDibFileHeaderSize;
        memcpy(bitmap->packed.data(), file.data() + kDibFileHeaderSize, n < cbPacked ? n : cbPacked);
    }
    if (!LocatePackedDib(bitmap->packed.data(), cbPacked, &bitmap->layout)) {
        reading.rejection = "the loader refuses it (" + Describe(bitmap->packed.data(), cbPacked) + ")";
        return reading;
    }
    reading.loaded = true;
    bitmap->width = (LONG)Get32(bitmap->packed.data() + 4);
    LONG nHeight = (LONG)Get32(bitmap->packed.data() + 8);
    bitmap->height = nHeight < 0 ? -nHeight : nHeight;

    if (file.size() < bfSize) {
        snprintf(sz, sizeof sz, "the file has %u bytes, its header says %u: the rest reads as zeros",
                 (unsigned)file.size(), (unsigned)bfSize);
        reading.misreads.push_back(sz);
    }
    DWORD bfOffBits = Get32(header + 10);
    DWORD nBitsAt = kDibFileHeaderSize + bitmap->layout.cbBitsOffset;
    if (bfOffBits != nBitsAt) {
        snprintf(sz, sizeof sz,
                 "its pixels start at byte %u, but the loader takes them from byte %u, right after "
                 "the colour table",
                 (unsigned)bfOffBits, (unsigned)nBitsAt);
        reading.misreads.push_back(sz);
    }
    return reading;
}

std::vector<uint32_t> DecodePixels(const DiscBitmap& bitmap) {
    const BYTE* info = bitmap.packed.data();
    const BYTE* table = info + kDibInfoHeaderSize;
    const BYTE* bits = info + bitmap.layout.cbBitsOffset;
    unsigned nBitCount = Get16(info + 14);
    bool bTopDown = (LONG)Get32(info + 8) < 0;
    size_t cbRow = ((size_t)bitmap.width * nBitCount + 31) / 32 * 4;
    std::vector<uint32_t> pixels((size_t)bitmap.width * bitmap.height);
    for (LONG y = 0; y < bitmap.height; ++y) {
        const BYTE* row = bits + cbRow * (size_t)(bTopDown ? y : bitmap.height - 1 - y);
        uint32_t* out = &pixels[(size_t)y * bitmap.width];
        for (LONG x = 0; x < bitmap.width; ++x) {
            uint32_t rgb = 0;
            if (nBitCount <= 8) {
                unsigned nPerByte = 8 / nBitCount;
                unsigned nShift = (nPerByte - 1 - x % nPerByte) * nBitCount;
                unsigned index = row[x / nPerByte] >> nShift & ((1u << nBitCount) - 1);
                // An index past the table shows black.
                if (index < bitmap.layout.nColors) {
                    const BYTE* e = table + 4 * index;
                    rgb = (uint32_t)e[2] << 16 | (uint32_t)e[1] << 8 | e[0];
                }
            } else if (nBitCount == 16) {
                unsigned v = Get16(row + 2 * x);
                unsigned r = v >> 10 & 31, g = v >> 5 & 31, b = v & 31;
                rgb = (r << 3 | r >> 2) << 16 | (g << 3 | g >> 2) << 8 | (b << 3 | b >> 2);
            } else {
                const BYTE* p = row + (size_t)x * (nBitCount / 8);
                rgb = (uint32_t)p[2] << 16 | (uint32_t)p[1] << 8 | p[0];
            }
            out[x] = rgb;
        }
    }
    return pixels;
}
