// Directories and files.
#pragma once

#include "platform/Types.h"

namespace platform {

UINT GetSystemDirectoryA(char* pszBuffer, UINT nSize);
UINT GetWindowsDirectoryA(char* pszBuffer, UINT nSize);
DWORD GetPrivateProfileStringA(const char* pszSection, const char* pszKey, const char* pszDefault,
                               char* pszReturned, DWORD nSize, const char* pszFile);

}  // namespace platform
