// The launcher's text rules as a Western European Windows applies them:
// code page 1252, which has no double-byte characters.
#include "platform/Text.h"

namespace platform {

bool IsLeadByte(unsigned char) { return false; }

unsigned char UpperChar(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return (unsigned char)(c - 32);
    if (c == 0x9A || c == 0x9C || c == 0x9E) return (unsigned char)(c - 16);
    if (c == 0xFF) return 0x9F;
    return c;
}

}  // namespace platform
