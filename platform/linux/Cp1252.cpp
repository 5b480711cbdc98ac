#include "platform/linux/Cp1252.h"

namespace {

// Bytes 0x80 to 0x9F; the five the code page leaves out map to C1 controls,
// as the system's own conversion does.
const unsigned short kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

unsigned CodePoint(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c; }

void AppendUtf8(std::string& out, unsigned u) {
    if (u < 0x80) {
        out += (char)u;
    } else if (u < 0x800) {
        out += (char)(0xC0 | u >> 6);
        out += (char)(0x80 | (u & 0x3F));
    } else {
        out += (char)(0xE0 | u >> 12);
        out += (char)(0x80 | (u >> 6 & 0x3F));
        out += (char)(0x80 | (u & 0x3F));
    }
}

// The next code point, or -1 for a malformed or overlong sequence.
long NextCodePoint(const std::string& s, size_t& i) {
    unsigned char c = (unsigned char)s[i++];
    if (c < 0x80) return c;
    int nMore = c >= 0xF0 && c < 0xF5 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : -1;
    if (nMore < 0) return -1;
    unsigned long u = c & (0x3F >> nMore);
    for (int k = 0; k < nMore; ++k, ++i) {
        if (i >= s.size() || ((unsigned char)s[i] & 0xC0) != 0x80) return -1;
        u = u << 6 | ((unsigned char)s[i] & 0x3F);
    }
    static const unsigned long kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (u < kLeast[nMore] || u > 0x10FFFF || (u >= 0xD800 && u < 0xE000)) return -1;
    return (long)u;
}

}  // namespace

std::string Cp1252ToUtf8(const std::string& text) {
    std::string out;
    for (char c : text) AppendUtf8(out, CodePoint((unsigned char)c));
    return out;
}

bool Utf8ToCp1252(const std::string& text, std::string* out) {
    out->clear();
    for (size_t i = 0; i < text.size();) {
        long u = NextCodePoint(text, i);
        if (u < 0) return false;
        if (u < 0x80 || (u >= 0xA0 && u < 0x100)) {
            *out += (char)u;
            continue;
        }
        int nByte = -1;
        for (int k = 0; k < 32; ++k)
            if (kHigh[k] == u) nByte = 0x80 + k;
        if (nByte < 0) return false;
        *out += (char)nByte;
    }
    return true;
}
