// CNamedMutex: a handle to a named mutex that another process created.
#pragma once

#include "platform/Types.h"

class CNamedMutex {
public:
    CNamedMutex() : m_hMutex(nullptr) {}
    virtual ~CNamedMutex();

    // Opens the mutex by name; true when it exists and could be opened.
    bool Open(DWORD dwDesiredAccess, BOOL bInheritHandle, const char* pszName);
    BOOL Release();

private:
    CNamedMutex(const CNamedMutex&) = delete;
    CNamedMutex& operator=(const CNamedMutex&) = delete;

    HANDLE m_hMutex;
};

// True when an installer waits for this disc: one of the installers' mutexes exists.
bool IsInstallerWaiting();
