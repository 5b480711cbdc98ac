// Named mutexes of other processes.
#pragma once

#include "platform/Types.h"

namespace platform {

HANDLE OpenMutexA(DWORD dwDesiredAccess, BOOL bInheritHandle, const char* pszName);
BOOL ReleaseMutex(HANDLE hMutex);
BOOL CloseHandle(HANDLE hObject);

}  // namespace platform
