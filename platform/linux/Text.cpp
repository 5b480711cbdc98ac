// The launcher's text rules as a Western European Windows applies them:
// code page 1252, which has no double-byte characters.
#include "platform/Text.h"

#include "platform/linux/Cp1252.h"

namespace platform {

bool IsLeadByte(unsigned char) { return false; }

unsigned char UpperChar(unsigned char c) { return UpperCp1252(c); }

}  // namespace platform
