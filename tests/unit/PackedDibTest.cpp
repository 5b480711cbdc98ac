#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "ui/PackedDib.h"

namespace {

typedef std::vector<BYTE> Bytes;

void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (BYTE)(v >> (8 * i));
}

void Put16(Bytes& b, size_t at, uint16_t v) {
    b[at] = (BYTE)v;
    b[at + 1] = (BYTE)(v >> 8);
}

struct BmpSpec {
    int32_t width = 4, height = 2;
    uint16_t bitCount = 8;
    uint32_t clrUsed = 0;
    uint32_t tableEntries = 256;  // entries actually written
    uint32_t headerSize = 40;
    uint32_t compression = 0;
};

// A whole bitmap file, bfSize = its length unless changed afterwards.
Bytes MakeBmp(const BmpSpec& s) {
    size_t row = ((size_t)s.width * s.bitCount + 31) / 32 * 4;
    size_t bits = row * (size_t)(s.height < 0 ? -s.height : s.height);
    Bytes b(14 + 40 + 4 * s.tableEntries + bits, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, (uint32_t)b.size());
    Put32(b, 10, 0x400);  // bfOffBits pointing elsewhere: never used
    Put32(b, 14, s.headerSize);
    Put32(b, 18, (uint32_t)s.width);
    Put32(b, 22, (uint32_t)s.height);
    Put16(b, 26, 1);
    Put16(b, 28, s.bitCount);
    Put32(b, 30, s.compression);
    Put32(b, 46, s.clrUsed);
    for (uint32_t i = 0; i < s.tableEntries; ++i) {
        b[54 + 4 * i] = (BYTE)(i + 1);      // blue
        b[54 + 4 * i + 1] = (BYTE)(i + 2);  // green
        b[54 + 4 * i + 2] = (BYTE)(i + 3);  // red
        b[54 + 4 * i + 3] = 0xEE;           // reserved: not copied
    }
    return b;
}

// The loader's two reads: the file header, then bfSize - 14 bytes into a
// zero-filled block of exactly that size (bytes the file lacks stay zero).
// The block is a vector of its own, so AddressSanitizer sees any read past it.
bool Load(const Bytes& file, DibLayout* pLayout, Bytes* pBlock = nullptr) {
    BYTE header[14] = {};
    if (!file.empty()) memcpy(header, file.data(), file.size() < 14 ? file.size() : 14);
    DWORD cbPacked = PackedDibSize(header);
    if (!cbPacked) return false;
    Bytes block(cbPacked, 0);
    if (file.size() > 14)
        memcpy(block.data(), file.data() + 14, std::min<size_t>(cbPacked, file.size() - 14));
    bool ok = LocatePackedDib(block.data(), cbPacked, pLayout);
    if (pBlock) *pBlock = block;
    return ok;
}

struct CountRow {
    const char* what;
    uint16_t bitCount;
    uint32_t clrUsed;
    uint32_t colors;
};

TEST(PackedDibTest, ColourCountAndBitsOffsetFollowBitCountOrClrUsed) {
    const CountRow rows[] = {
        {"8-bit", 8, 0, 256},
        {"4-bit", 4, 0, 16},
        {"1-bit", 1, 0, 2},
        {"8-bit, 20 used", 8, 20, 20},
        {"4-bit, 3 used", 4, 3, 3},
        {"24-bit with a table", 24, 16, 16},
    };
    for (const CountRow& row : rows) {
        BmpSpec s;
        s.bitCount = row.bitCount;
        s.clrUsed = row.clrUsed;
        s.tableEntries = row.colors;
        DibLayout layout = {};
        ASSERT_TRUE(Load(MakeBmp(s), &layout)) << row.what;
        EXPECT_EQ(row.colors, layout.nColors) << row.what;
        EXPECT_EQ(40 + 4 * row.colors, layout.cbBitsOffset) << row.what;
    }
}

TEST(PackedDibTest, BitsAreTakenRightBehindTheColourTable) {
    BmpSpec s;
    s.clrUsed = 20;
    s.tableEntries = 20;
    Bytes file = MakeBmp(s);
    file[54 + 80] = 0xAB;  // first pixel
    file[0] = 'X';         // the type is not examined
    DibLayout layout;
    Bytes block;
    ASSERT_TRUE(Load(file, &layout, &block));
    EXPECT_EQ(120u, layout.cbBitsOffset);
    EXPECT_EQ(0xAB, block[layout.cbBitsOffset]);
    EXPECT_EQ(8u, layout.cbBits);
}

TEST(PackedDibTest, MissingBytesWithinBfSizeReadAsZero) {
    Bytes file = MakeBmp(BmpSpec());
    file.resize(file.size() - 5);  // bfSize still covers the bits
    DibLayout layout;
    Bytes block;
    ASSERT_TRUE(Load(file, &layout, &block));
    EXPECT_EQ(0, block.back());
}

TEST(PackedDibTest, TopDownBitmapsAreSizedByTheirHeight) {
    BmpSpec s;
    s.height = -3;
    DibLayout layout;
    ASSERT_TRUE(Load(MakeBmp(s), &layout));
    EXPECT_EQ(12u, layout.cbBits);
}

TEST(PackedDibTest, RowsArePaddedToFourBytes) {
    BmpSpec s;
    s.width = 5;
    s.height = 3;
    s.bitCount = 1;
    s.tableEntries = 2;
    Bytes file = MakeBmp(s);
    DibLayout layout;
    ASSERT_TRUE(Load(file, &layout));
    EXPECT_EQ(12u, layout.cbBits);
    Put32(file, 2, (uint32_t)file.size() - 1);  // one byte short of the last row
    EXPECT_FALSE(Load(file, &layout));
}

struct MalformedRow {
    const char* what;
    Bytes file;
};

Bytes With32(Bytes b, size_t at, uint32_t v) {
    Put32(b, at, v);
    return b;
}

Bytes With16(Bytes b, size_t at, uint16_t v) {
    Put16(b, at, v);
    return b;
}

Bytes Cut(Bytes b, size_t size) {
    b.resize(size);
    Put32(b, 2, (uint32_t)size);
    return b;
}

TEST(PackedDibTest, FilesTheLoaderCannotHonourAreRejected) {
    const Bytes good = MakeBmp(BmpSpec());
    BmpSpec v4;
    v4.headerSize = 108;
    BmpSpec rle;
    rle.compression = 1;
    BmpSpec tooMany;
    tooMany.bitCount = 4;
    tooMany.clrUsed = 17;
    tooMany.tableEntries = 17;
    BmpSpec wide;
    wide.width = 20000;
    wide.height = 1;
    wide.tableEntries = 0;
    wide.clrUsed = 1;
    const MalformedRow rows[] = {
        {"empty file", Bytes()},
        {"file header only", Cut(good, 14)},
        {"truncated in the information header", Cut(good, 30)},
        {"truncated in the colour table", Cut(good, 54 + 100)},
        {"truncated in the bits", Cut(good, good.size() - 1)},
        {"bfSize smaller than the headers", With32(good, 2, 40)},
        {"bfSize of zero", With32(good, 2, 0)},
        {"huge bfSize", With32(good, 2, 0xFFFFFFF0u)},
        {"bfSize just beyond the cap", With32(good, 2, kDibMaxFileSize + 1)},
        {"biClrUsed beyond the file", With32(Cut(good, 54 + 16 * 4 + 8), 46, 200)},
        {"biClrUsed huge", With32(good, 46, 0x40000000u)},
        {"24-bit without a colour count", With16(good, 28, 24)},
        {"32-bit without a colour count", With16(good, 28, 32)},
        {"bit count 0", With16(good, 28, 0)},
        {"bit count 2", With16(good, 28, 2)},
        {"more colours than 4 bits index", MakeBmp(tooMany)},
        {"header size not 40", MakeBmp(v4)},
        {"header size 12", With32(good, 14, 12)},
        {"compressed", MakeBmp(rle)},
        {"zero width", With32(good, 18, 0)},
        {"negative width", With32(good, 18, (uint32_t)-4)},
        {"zero height", With32(good, 22, 0)},
        {"height of INT_MIN", With32(good, 22, 0x80000000u)},
        {"absurd width", MakeBmp(wide)},
        {"width times height overflowing 32 bits", With32(With32(good, 18, 16384), 22, 16384)},
    };
    for (const MalformedRow& row : rows) {
        DibLayout layout;
        EXPECT_FALSE(Load(row.file, &layout)) << row.what;
    }
}

TEST(PackedDibTest, PackedSizeIsBfSizeLessTheFileHeaderAtEitherLimit) {
    const struct {
        DWORD bfSize, packed;
    } rows[] = {
        {53, 0},
        {54, 40},
        {kDibMaxFileSize, kDibMaxFileSize - 14},
        {kDibMaxFileSize + 1, 0},
    };
    for (const auto& row : rows) {
        Bytes header(14, 0);
        Put32(header, 2, row.bfSize);
        EXPECT_EQ(row.packed, PackedDibSize(header.data())) << row.bfSize;
    }
}

TEST(PackedDibTest, PaletteEntriesAreRedGreenBlueNoCollapse) {
    const BYTE table[] = {0x10, 0x20, 0x30, 0x99, 0xFF, 0x00, 0x80, 0x01};
    BYTE pal[4 + 8] = {};
    ASSERT_EQ(sizeof pal, LogPaletteSize(2));
    FillLogPalette(table, 2, pal);
    const BYTE expected[] = {0x00, 0x03, 2, 0, 0x30, 0x20, 0x10, 4, 0x80, 0x00, 0xFF, 4};
    EXPECT_EQ(0, memcmp(expected, pal, sizeof pal));
}

TEST(PackedDibTest, PaletteCountIsSixteenBits) {
    std::vector<BYTE> table(4 * 256, 0), pal(LogPaletteSize(256));
    FillLogPalette(table.data(), 256, pal.data());
    EXPECT_EQ(0, pal[2]);
    EXPECT_EQ(1, pal[3]);
}

}  // namespace
