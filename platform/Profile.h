// Profile (.ini) files, read a value at a time.
#pragma once

#include "platform/Types.h"

namespace platform {

DWORD GetPrivateProfileStringA(const char* pszSection, const char* pszKey, const char* pszDefault,
                               char* pszReturned, DWORD nSize, const char* pszFile);

}  // namespace platform
