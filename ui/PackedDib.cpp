#include "ui/PackedDib.h"

#include "platform/Graphics.h"

namespace {

DWORD ReadU32(const BYTE* p) {
    return (DWORD)p[0] | (DWORD)p[1] << 8 | (DWORD)p[2] << 16 | (DWORD)p[3] << 24;
}

WORD ReadU16(const BYTE* p) { return (WORD)(p[0] | p[1] << 8); }

}  // namespace

DWORD PackedDibSize(const BYTE* pFileHeader) {
    DWORD bfSize = ReadU32(pFileHeader + 2);
    if (bfSize < kDibFileHeaderSize + kDibInfoHeaderSize || bfSize > kDibMaxFileSize) return 0;
    return bfSize - kDibFileHeaderSize;
}

bool LocatePackedDib(const BYTE* pPacked, DWORD cbPacked, DibLayout* pLayout) {
    if (cbPacked < kDibInfoHeaderSize || ReadU32(pPacked) != kDibInfoHeaderSize) return false;
    LONG nWidth = (LONG)ReadU32(pPacked + 4);
    LONG nHeight = (LONG)ReadU32(pPacked + 8);
    UINT nBitCount = ReadU16(pPacked + 14);
    DWORD dwCompression = ReadU32(pPacked + 16);
    DWORD nClrUsed = ReadU32(pPacked + 32);

    // A negative height is a top-down bitmap; its size is the same.
    if (nWidth <= 0 || nWidth > kDibMaxSide || nHeight == 0 || nHeight < -kDibMaxSide ||
        nHeight > kDibMaxSide || dwCompression != BI_RGB)
        return false;

    DWORD nColors;
    if (nBitCount == 1 || nBitCount == 4 || nBitCount == 8) {
        nColors = nClrUsed ? nClrUsed : 1u << nBitCount;
        // The platform never takes more entries than the pixels can index.
        if (nColors > 1u << nBitCount) return false;
    } else if (nBitCount == 16 || nBitCount == 24 || nBitCount == 32) {
        // Only a colour table that the file declares can give the palette.
        if (nClrUsed == 0 || nClrUsed > 256) return false;
        nColors = nClrUsed;
    } else {
        return false;
    }

    DWORD cbBitsOffset = kDibInfoHeaderSize + 4 * nColors;
    if (cbBitsOffset > cbPacked) return false;
    // At most 16384 x 16384 x 32 bits: well within 64 bits.
    unsigned long long cbRow = ((unsigned long long)nWidth * nBitCount + 31) / 32 * 4;
    unsigned long long cbBits = cbRow * (unsigned long long)(nHeight < 0 ? -nHeight : nHeight);
    if (cbBits > cbPacked - cbBitsOffset) return false;

    pLayout->nColors = nColors;
    pLayout->cbBitsOffset = cbBitsOffset;
    pLayout->cbBits = (DWORD)cbBits;
    return true;
}

DWORD LogPaletteSize(UINT nColors) { return 4 + 4 * nColors; }

void FillLogPalette(const BYTE* pColorTable, UINT nColors, BYTE* pLogPalette) {
    pLogPalette[0] = 0x00;
    pLogPalette[1] = 0x03;
    pLogPalette[2] = (BYTE)nColors;
    pLogPalette[3] = (BYTE)(nColors >> 8);
    BYTE* pEntry = pLogPalette + 4;
    for (UINT i = 0; i < nColors; ++i, pEntry += 4, pColorTable += 4) {
        pEntry[0] = pColorTable[2];
        pEntry[1] = pColorTable[1];
        pEntry[2] = pColorTable[0];
        pEntry[3] = PC_NOCOLLAPSE;
    }
}
