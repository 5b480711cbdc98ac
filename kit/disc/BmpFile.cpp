#include "kit/disc/BmpFile.h"

#include <cstring>

#include "kit/disc/LittleEndian.h"

std::vector<unsigned char> EncodeBmp(const BmpFields& f, const std::vector<uint32_t>& table,
                                     const std::vector<unsigned char>& bits) {
    size_t offBits = 54 + 4 * table.size();
    std::vector<unsigned char> b(offBits + bits.size(), 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, (uint32_t)b.size());
    Put32(b, 10, (uint32_t)(offBits + f.offBitsDelta));
    Put32(b, 14, f.infoSize);
    Put32(b, 18, (uint32_t)f.width);
    Put32(b, 22, (uint32_t)f.height);
    Put16(b, 26, 1);
    Put16(b, 28, f.bitCount);
    Put32(b, 30, f.compression);
    Put32(b, 34, (uint32_t)bits.size());
    Put32(b, 38, 2835);  // 72 dots per inch
    Put32(b, 42, 2835);
    Put32(b, 46, f.clrUsed);
    for (size_t i = 0; i < table.size(); ++i) Put32(b, 54 + 4 * i, table[i] & 0xFFFFFF);
    if (!bits.empty()) memcpy(&b[offBits], bits.data(), bits.size());
    return b;
}

std::vector<unsigned char> EncodeBmp8(const IndexedImage& image, const std::vector<uint32_t>& palette) {
    size_t cbRow = ((size_t)image.width + 3) / 4 * 4;
    std::vector<unsigned char> bits(cbRow * image.height, 0);
    for (int y = 0; y < image.height; ++y)
        memcpy(&bits[cbRow * (image.height - 1 - y)], &image.indices[(size_t)y * image.width], (size_t)image.width);
    BmpFields fields;
    fields.width = image.width;
    fields.height = image.height;
    fields.clrUsed = (uint32_t)palette.size();
    return EncodeBmp(fields, palette, bits);
}
