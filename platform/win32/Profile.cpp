#include <windows.h>

#include "platform/Profile.h"

namespace platform {

DWORD GetPrivateProfileStringA(const char* pszSection, const char* pszKey, const char* pszDefault,
                               char* pszReturned, DWORD nSize, const char* pszFile) {
    return ::GetPrivateProfileStringA(pszSection, pszKey, pszDefault, pszReturned, nSize, pszFile);
}

}  // namespace platform
