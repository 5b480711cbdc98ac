// The native build's profile reading: the file read whole, then the same
// rules as Win32 over its text.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "params/ProfileText.h"
#include "platform/Profile.h"

namespace platform {

DWORD GetPrivateProfileStringA(const char* pszSection, const char* pszKey, const char* pszDefault,
                               char* pszReturned, DWORD nSize, const char* pszFile) {
    char* pText = nullptr;
    size_t nLength = 0;
    if (FILE* f = fopen(pszFile, "rb")) {
        size_t nCapacity = 0;
        for (;;) {
            if (nLength == nCapacity) {
                nCapacity = nCapacity ? nCapacity * 2 : 4096;
                char* p = (char*)realloc(pText, nCapacity);
                if (!p) break;
                pText = p;
            }
            size_t n = fread(pText + nLength, 1, nCapacity - nLength, f);
            if (n == 0) break;
            nLength += n;
        }
        fclose(f);
    }
    DWORD n = ReadProfileString(pText ? pText : "", pText ? nLength : 0, pszSection, pszKey,
                                pszDefault, pszReturned, nSize);
    free(pText);
    return n;
}

}  // namespace platform
