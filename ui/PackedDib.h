// Bitmap files as the front window reads them: a 14-byte file header, then
// the packed bitmap (a 40-byte information header, the colour table and the
// bits, one after another). The bytes come from a disc, so every offset is
// checked against the block that was read before anything relies on it.
#pragma once

#include "platform/Types.h"

const DWORD kDibFileHeaderSize = 14;
const DWORD kDibInfoHeaderSize = 40;
// bfSize beyond this is refused rather than allocated: an 8-bit backdrop of
// 4096 x 4096 pixels takes 16 MiB.
const DWORD kDibMaxFileSize = 32u * 1024 * 1024;
// Larger sides are no backdrop and would only strain the allocator.
const LONG kDibMaxSide = 16384;

struct DibLayout {
    UINT nColors;        // colour table entries, from 54 bytes into the file
    DWORD cbBitsOffset;  // where the bits start in the packed bitmap
    DWORD cbBits;        // what width and height need of them
};

// The size of the packed bitmap from the file header's bfSize (bfSize - 14);
// 0 when bfSize cannot hold the headers or is beyond kDibMaxFileSize.
DWORD PackedDibSize(const BYTE* pFileHeader);

// Where the colour table and the bits lie in a packed bitmap of cbPacked
// bytes: the colour count is biClrUsed, or 2^biBitCount when that is 0, and
// the bits follow the colour table directly, whatever bfOffBits says.
// False for what the loader cannot honour: an information header that is not
// 40 bytes, compression, a bit count without a colour count (not 1, 4 or 8
// and biClrUsed 0), more colours than the bit count can index, odd sizes, or
// a colour table or bits running past the block.
bool LocatePackedDib(const BYTE* pPacked, DWORD cbPacked, DibLayout* pLayout);

// LOGPALETTE bytes: version 0x300, the count, then red, green, blue and
// PC_NOCOLLAPSE for each colour table entry (blue, green, red, reserved).
DWORD LogPaletteSize(UINT nColors);
void FillLogPalette(const BYTE* pColorTable, UINT nColors, BYTE* pLogPalette);
