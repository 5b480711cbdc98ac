#include <windows.h>

#include "platform/Text.h"

namespace platform {

bool IsLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

unsigned char UpperChar(unsigned char c) {
    char sz[2] = {(char)c, 0};
    CharUpperBuffA(sz, 1);
    return (unsigned char)sz[0];
}

}  // namespace platform
