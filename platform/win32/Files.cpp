#include <windows.h>

#include "platform/Files.h"

namespace platform {

UINT GetSystemDirectoryA(char* pszBuffer, UINT nSize) {
    return ::GetSystemDirectoryA(pszBuffer, nSize);
}

UINT GetWindowsDirectoryA(char* pszBuffer, UINT nSize) {
    return ::GetWindowsDirectoryA(pszBuffer, nSize);
}

DWORD GetPrivateProfileStringA(const char* pszSection, const char* pszKey, const char* pszDefault,
                               char* pszReturned, DWORD nSize, const char* pszFile) {
    return ::GetPrivateProfileStringA(pszSection, pszKey, pszDefault, pszReturned, nSize, pszFile);
}

}  // namespace platform
