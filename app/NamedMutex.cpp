#include "app/NamedMutex.h"

#include "platform/Sync.h"

CNamedMutex::~CNamedMutex() {
    if (m_hMutex) Release();
}

bool CNamedMutex::Open(DWORD dwDesiredAccess, BOOL bInheritHandle, const char* pszName) {
    if (m_hMutex) Release();
    m_hMutex = platform::OpenMutexA(dwDesiredAccess, bInheritHandle, pszName);
    return m_hMutex != nullptr;
}

BOOL CNamedMutex::Release() {
    BOOL bResult = platform::ReleaseMutex(m_hMutex);
    // The handle is ours even though the mutex is not: close it.
    if (m_hMutex) platform::CloseHandle(m_hMutex);
    m_hMutex = nullptr;
    return bResult;
}

bool IsInstallerWaiting() {
    static const char* const kNames[] = {"__MsiPromptForCD", "__BXPromptForCD"};
    for (const char* pszName : kNames) {
        CNamedMutex probe;
        if (probe.Open(MUTEX_ALL_ACCESS, FALSE, pszName)) return true;
    }
    return false;
}
