#include "prereq/VersionInfo.h"

#include <cstdlib>

#include "platform/VersionInfo.h"

namespace {

const DWORD kLongMagnitude = 0x80000000u;  // the magnitude of the lowest LONG

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// One "%d": false when no digit follows the white space and sign.
bool ReadNumber(const char*& p, LONG& nValue) {
    const char* q = p;
    while (IsSpace(*q)) ++q;
    bool bNegative = *q == '-';
    if (*q == '-' || *q == '+') ++q;
    if (*q < '0' || *q > '9') return false;
    DWORD nMagnitude = 0;
    for (; *q >= '0' && *q <= '9'; ++q) {
        if (nMagnitude > kLongMagnitude / 10)
            nMagnitude = kLongMagnitude;
        else
            nMagnitude = nMagnitude * 10 + (DWORD)(*q - '0');
        if (nMagnitude > kLongMagnitude) nMagnitude = kLongMagnitude;
    }
    if (bNegative)
        nValue = (LONG)(0u - nMagnitude);
    else
        nValue = nMagnitude >= kLongMagnitude ? (LONG)(kLongMagnitude - 1) : (LONG)nMagnitude;
    p = q;
    return true;
}

}  // namespace

VersionNumbers ReadVersionNumbers(const char* pszText) {
    VersionNumbers v = {};
    const char* p = pszText ? pszText : "";
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (*p != ',') break;
            ++p;
        }
        if (!ReadNumber(p, v.n[i])) break;
    }
    return v;
}

VersionNumbers ParseVersionText(const char* pszText) {
    CString strText;
    for (const char* p = pszText ? pszText : ""; *p; ++p) {
        if (*p != ' ') strText += *p == '.' ? ',' : *p;
    }
    return ReadVersionNumbers(strText);
}

int CompareVersions(const char* pszA, const char* pszB) {
    VersionNumbers a = ParseVersionText(pszA), b = ParseVersionText(pszB);
    for (int i = 0; i < 4; ++i) {
        if (a.n[i] != b.n[i]) return a.n[i] > b.n[i] ? 1 : -1;
    }
    return 0;
}

CString VersionStringBlockName(DWORD dwTranslation, const char* pszName) {
    CString strName;
    strName.Format("\\StringFileInfo\\%08lx\\%s", dwTranslation, pszName);
    return strName;
}

CString GetFileVersionString(const char* pszPath, const char* pszName) {
    DWORD dwHandle = 0;
    DWORD dwSize = platform::GetFileVersionInfoSizeA(pszPath, &dwHandle);
    if (dwSize == 0) return CString();
    void* pBlock = malloc(dwSize);
    if (!pBlock) return CString();
    CString strValue;
    if (platform::GetFileVersionInfoA(pszPath, dwHandle, dwSize, pBlock)) {
        DWORD dwTranslation = 0x040904E4;  // US English, Windows Latin-1
        void* p = nullptr;
        UINT nLength = 0;
        if (platform::VerQueryValueA(pBlock, "\\VarFileInfo\\Translation", &p, &nLength) && p &&
            nLength >= 4) {
            const WORD* pWords = (const WORD*)p;
            dwTranslation = ((DWORD)pWords[0] << 16) | pWords[1];
        }
        if (platform::VerQueryValueA(pBlock, VersionStringBlockName(dwTranslation, pszName), &p,
                                     &nLength) && p) {
            // The reported length may or may not count the terminating zero.
            const char* psz = (const char*)p;
            UINT n = 0;
            while (n < nLength && psz[n]) ++n;
            strValue = CString(psz, (int)n);
        }
    }
    free(pBlock);
    return strValue;
}
