// Little-endian fields of the disc's binary files (bitmaps), read from and
// written into byte buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline uint16_t Get16(const unsigned char* p) { return (uint16_t)(p[0] | p[1] << 8); }
inline uint32_t Get32(const unsigned char* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

inline void Put16(std::vector<unsigned char>& b, size_t at, unsigned v) {
    b[at] = (unsigned char)v;
    b[at + 1] = (unsigned char)(v >> 8);
}
inline void Put32(std::vector<unsigned char>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (unsigned char)(v >> (8 * i));
}
