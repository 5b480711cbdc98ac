// Version texts: read from files' version resources, compared as four numbers.
#pragma once

#include "framework/String.h"
#include "platform/Types.h"

struct VersionNumbers {
    LONG n[4];  // most significant first
};

// Reads text as sscanf's "%d,%d,%d,%d" would: each number after optional
// white space and sign, each comma matched exactly, stopping at the first
// byte that does not fit; numbers not read stay 0. A number beyond the range
// of LONG saturates, so that a huge number still compares as huge.
VersionNumbers ReadVersionNumbers(const char* pszText);

// A version text as CompareVersions reads it: blanks removed, dots as commas.
VersionNumbers ParseVersionText(const char* pszText);

// 1 when a is the greater version, -1 when b is, 0 when they read alike.
int CompareVersions(const char* pszA, const char* pszB);

// The sub-block of a named string under a translation code (language in
// the upper 16 bits, code page in the lower).
CString VersionStringBlockName(DWORD dwTranslation, const char* pszName);

// The named string of the file's version resource; "" when there is none.
CString GetFileVersionString(const char* pszPath, const char* pszName);
