#include "prereq/RegistryKey.h"

#include "platform/Registry.h"

CRegistryKey::~CRegistryKey() { Close(); }

LSTATUS CRegistryKey::Open(HKEY hParent, const char* pszSubKey, DWORD samDesired) {
    HKEY hKey = nullptr;
    LSTATUS status = platform::RegOpenKeyExA(hParent, pszSubKey, 0, samDesired, &hKey);
    if (status == ERROR_SUCCESS) {
        Close();
        m_hKey = hKey;
    }
    return status;
}

LSTATUS CRegistryKey::QueryStringValue(const char* pszName, char* pszBuffer, DWORD& nCount) {
    DWORD nSize = nCount;
    nCount = 0;
    DWORD dwType = 0;
    LSTATUS status = platform::RegQueryValueExA(m_hKey, pszName, nullptr, &dwType, (BYTE*)pszBuffer,
                                                &nSize);
    if (status != ERROR_SUCCESS) return status;
    if (dwType != REG_SZ) return ERROR_INVALID_DATA;
    nCount = nSize;
    return ERROR_SUCCESS;
}

LSTATUS CRegistryKey::Close() {
    if (!m_hKey) return ERROR_SUCCESS;
    LSTATUS status = platform::RegCloseKey(m_hKey);
    m_hKey = nullptr;
    return status;
}
