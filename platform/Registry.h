// The registry.
#pragma once

#include "platform/Types.h"

namespace platform {

LSTATUS RegOpenKeyExA(HKEY hKey, const char* pszSubKey, DWORD ulOptions, DWORD samDesired,
                      HKEY* phkResult);
LSTATUS RegQueryValueExA(HKEY hKey, const char* pszValueName, DWORD* pdwReserved, DWORD* pdwType,
                         BYTE* pData, DWORD* pcbData);
LSTATUS RegSetValueExA(HKEY hKey, const char* pszValueName, DWORD dwReserved, DWORD dwType,
                       const BYTE* pData, DWORD cbData);
LSTATUS RegCloseKey(HKEY hKey);

}  // namespace platform
