// printf-style formatting of the few conversions the launcher uses:
// %s %c %d %i %u %x %X with an optional '0' flag, width and 'l' size, and %%.
// Integers are 32-bit whatever the size letter says: 'l' is long on Windows.
#pragma once

#include <cstdarg>

// Writes at most nSize - 1 characters and a NUL to pszOut (nothing when
// nSize is 0) and returns the length of the whole formatted text.
int FormatText(char* pszOut, int nSize, const char* pszFormat, va_list args);
