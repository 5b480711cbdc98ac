#include <windows.h>

#include "platform/Sync.h"

namespace platform {

HANDLE OpenMutexA(DWORD dwDesiredAccess, BOOL bInheritHandle, const char* pszName) {
    return ::OpenMutexA(dwDesiredAccess, bInheritHandle, pszName);
}

BOOL ReleaseMutex(HANDLE hMutex) { return ::ReleaseMutex(hMutex); }

BOOL CloseHandle(HANDLE hObject) { return ::CloseHandle(hObject); }

}  // namespace platform
