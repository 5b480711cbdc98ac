// The ANSI code page's character classes, as the running system reports them.
#pragma once

namespace platform {

// True when the byte starts a double-byte character in the ANSI code page.
bool IsLeadByte(unsigned char c);

// The single-byte character upper-cased in the ANSI code page.
unsigned char UpperChar(unsigned char c);

}  // namespace platform
