// Reading one value from the text of a profile (.ini) file by the rules of
// GetPrivateProfileStringA, for builds that have no Win32 to ask.
#pragma once

#include <cstddef>

#include "platform/Types.h"

// Section and key names match without regard to case; the first section of
// a name and the first key of a name in it win. The value loses its
// surrounding blanks and then one enclosing pair of matching quotes. It is
// cut to nSize - 1 bytes and at a NUL. A UTF-8 byte order mark is skipped
// (other bytes are taken as they stand). Gives the number of bytes copied
// (the default's when nothing matches).
DWORD ReadProfileString(const char* pText, size_t nLength, const char* pszSection,
                        const char* pszKey, const char* pszDefault, char* pszReturned,
                        DWORD nSize);
