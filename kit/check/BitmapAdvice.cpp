#include "kit/check/BitmapAdvice.h"

#include <cstdio>
#include <unordered_set>

#include "kit/disc/LittleEndian.h"

namespace {

unsigned U32(const std::vector<unsigned char>& b, size_t at) {
    return at + 4 > b.size() ? 0 : Get32(&b[at]);
}

}  // namespace

std::string ArtCommand(const std::string& folder, bool bSheet) {
    return "bxdisc art " + folder + " --backdrop IMAGE.png" + (bSheet ? " --sheet FACES.png" : "") +
           " --update-inf";
}

std::string RefusalCause(const std::vector<unsigned char>& file) {
    if (file.size() < 2 || file[0] != 'B' || file[1] != 'M') return std::string();
    unsigned cbInfo = U32(file, 14), compression = U32(file, 30), clrUsed = U32(file, 46);
    unsigned bitCount = file.size() >= 30 ? (unsigned)(file[28] | file[29] << 8) : 0;
    std::vector<std::string> causes;
    char sz[160];
    if (cbInfo == 108 || cbInfo == 124) {
        snprintf(sz, sizeof sz, "a %u-byte information header (ImageMagick's and GIMP's default)", cbInfo);
        causes.push_back(sz);
    }
    if (compression != 0) {
        snprintf(sz, sizeof sz, "compression %u (%s)", compression,
                 compression == 1 ? "RLE8" : compression == 2 ? "RLE4" : compression == 3 ? "bit fields" : "not plain pixels");
        causes.push_back(sz);
    }
    if ((bitCount == 16 || bitCount == 24 || bitCount == 32) && clrUsed == 0) {
        snprintf(sz, sizeof sz, "%u bits per pixel without a colour table", bitCount);
        causes.push_back(sz);
    }
    std::string text;
    for (size_t i = 0; i < causes.size(); ++i)
        text += (i == 0 ? "" : i + 1 == causes.size() ? " and " : ", ") + causes[i];
    return text;
}

size_t ColoursOutsideTable(const DiscBitmap& backdrop, const DiscBitmap& strip) {
    std::unordered_set<uint32_t> table;
    const BYTE* entry = backdrop.packed.data() + kDibInfoHeaderSize;
    for (UINT i = 0; i < backdrop.layout.nColors; ++i, entry += 4)
        table.insert((uint32_t)entry[2] << 16 | (uint32_t)entry[1] << 8 | entry[0]);
    std::unordered_set<uint32_t> outside;
    for (uint32_t rgb : DecodePixels(strip))
        if (!table.count(rgb)) outside.insert(rgb);
    return outside.size();
}
