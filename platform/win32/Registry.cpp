#include <windows.h>

#include "platform/Registry.h"

namespace platform {

LSTATUS RegOpenKeyExA(HKEY hKey, const char* pszSubKey, DWORD ulOptions, DWORD samDesired,
                      HKEY* phkResult) {
    return ::RegOpenKeyExA(hKey, pszSubKey, ulOptions, samDesired, phkResult);
}

LSTATUS RegQueryValueExA(HKEY hKey, const char* pszValueName, DWORD* pdwReserved, DWORD* pdwType,
                         BYTE* pData, DWORD* pcbData) {
    return ::RegQueryValueExA(hKey, pszValueName, pdwReserved, pdwType, pData, pcbData);
}

LSTATUS RegSetValueExA(HKEY hKey, const char* pszValueName, DWORD dwReserved, DWORD dwType,
                       const BYTE* pData, DWORD cbData) {
    return ::RegSetValueExA(hKey, pszValueName, dwReserved, dwType, pData, cbData);
}

LSTATUS RegCloseKey(HKEY hKey) { return ::RegCloseKey(hKey); }

}  // namespace platform
