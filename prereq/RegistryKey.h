// CRegistryKey: an open registry key, closed when the holder ends.
#pragma once

#include "platform/Types.h"

class CRegistryKey {
public:
    CRegistryKey() : m_hKey(nullptr) {}
    virtual ~CRegistryKey();

    // On failure the key held so far stays held. The platform's status.
    LSTATUS Open(HKEY hParent, const char* pszSubKey, DWORD samDesired);
    // nCount: the buffer's size in, the bytes read (terminating zero
    // included) out; 0 on any failure. Another type than REG_SZ gives
    // ERROR_INVALID_DATA.
    LSTATUS QueryStringValue(const char* pszName, char* pszBuffer, DWORD& nCount);
    LSTATUS Close();

    HKEY m_hKey;

private:
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;
};
