// The bitmap loader over any file: whatever it accepts lies wholly inside the
// block that was read, colour table and bits alike.
#include <cstring>

#include "ui/PackedDib.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    BYTE header[kDibFileHeaderSize] = {};
    memcpy(header, data, size < sizeof header ? size : sizeof header);
    DWORD cbPacked = PackedDibSize(header);
    if (!cbPacked) return 0;
    if (cbPacked > kDibMaxFileSize) __builtin_trap();
    // The loader's block: exactly bfSize - 14 bytes, what the file lacks zero.
    BYTE* pPacked = new BYTE[cbPacked]();
    if (size > sizeof header)
        memcpy(pPacked, data + sizeof header,
               size - sizeof header < cbPacked ? size - sizeof header : cbPacked);

    DibLayout layout;
    if (LocatePackedDib(pPacked, cbPacked, &layout)) {
        if (layout.nColors == 0 || layout.nColors > 256) __builtin_trap();
        if (layout.cbBitsOffset != kDibInfoHeaderSize + 4 * layout.nColors) __builtin_trap();
        if (layout.cbBits == 0 || layout.cbBits > cbPacked - layout.cbBitsOffset) __builtin_trap();
        BYTE* pLogPalette = new BYTE[LogPaletteSize(layout.nColors)];
        FillLogPalette(pPacked + kDibInfoHeaderSize, layout.nColors, pLogPalette);
        delete[] pLogPalette;
        // The last byte of the bits the platform would read.
        volatile BYTE last = pPacked[layout.cbBitsOffset + layout.cbBits - 1];
        (void)last;
    }
    delete[] pPacked;
    return 0;
}
