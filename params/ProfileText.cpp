#include "params/ProfileText.h"

#include <cstring>

#include "framework/String.h"

namespace {

// 0x1A is the end-of-file mark that old editors leave on discs.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0x1A; }

struct Range {
    const char* begin;
    const char* end;
};

Range Trim(Range r) {
    while (r.begin < r.end && IsSpace(*r.begin)) ++r.begin;
    while (r.end > r.begin && IsSpace(r.end[-1])) --r.end;
    return r;
}

bool EqualsNoCase(Range r, const char* psz) {
    CString s(r.begin, (int)(r.end - r.begin));
    return s.CompareNoCase(psz) == 0;
}

// Values are C strings to Win32: a NUL ends one.
DWORD Copy(const char* p, size_t n, char* pszReturned, DWORD nSize) {
    if (nSize == 0) return 0;
    const char* pNul = (const char*)memchr(p, 0, n);
    if (pNul) n = (size_t)(pNul - p);
    if (n > nSize - 1) n = nSize - 1;
    memcpy(pszReturned, p, n);
    pszReturned[n] = 0;
    return (DWORD)n;
}

}  // namespace

DWORD ReadProfileString(const char* pText, size_t nLength, const char* pszSection,
                        const char* pszKey, const char* pszDefault, char* pszReturned,
                        DWORD nSize) {
    const char* pszFallback = pszDefault ? pszDefault : "";
    const char* pEnd = pText + nLength;
    if (nLength >= 3 && memcmp(pText, "\xEF\xBB\xBF", 3) == 0) pText += 3;  // UTF-8 byte order mark
    // 0: before the section, 1: inside it, 2: past it (a later section of
    // the same name is not looked at).
    int state = 0;
    for (const char* p = pText; p < pEnd && state < 2;) {
        const char* pLineEnd = p;
        while (pLineEnd < pEnd && *pLineEnd != '\n' && *pLineEnd != '\r') ++pLineEnd;
        Range line = Trim({p, pLineEnd});
        p = pLineEnd;
        while (p < pEnd && (*p == '\n' || *p == '\r')) ++p;
        if (line.begin == line.end) continue;

        if (*line.begin == '[') {
            const char* pClose = line.end;
            while (pClose > line.begin && pClose[-1] != ']') --pClose;
            if (pClose > line.begin) {
                // A header: the name between '[' and the last ']', trimmed.
                Range name = Trim({line.begin + 1, pClose - 1});
                if (state == 1) state = 2;
                else if (EqualsNoCase(name, pszSection)) state = 1;
                continue;
            }
            // No closing bracket: read as a key line like any other.
        }
        if (state != 1) continue;

        const char* pEq = line.begin;
        while (pEq < line.end && *pEq != '=') ++pEq;
        Range name = Trim({line.begin, pEq});
        if (!EqualsNoCase(name, pszKey)) continue;
        if (pEq == line.end) return Copy("", 0, pszReturned, nSize);

        Range value = Trim({pEq + 1, line.end});
        size_t n = (size_t)(value.end - value.begin);
        if (n >= 2 && (*value.begin == '"' || *value.begin == '\'') &&
            value.end[-1] == *value.begin) {
            ++value.begin;
            n -= 2;
        }
        return Copy(value.begin, n, pszReturned, nSize);
    }
    return Copy(pszFallback, strlen(pszFallback), pszReturned, nSize);
}
