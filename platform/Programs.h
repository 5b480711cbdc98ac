// Programs the launcher starts and waits for. Their handles are closed with
// CloseHandle (platform/Sync.h).
#pragma once

#include "platform/Types.h"

namespace platform {

BOOL CreateProcessA(const char* pszApplicationName, char* pszCommandLine,
                    SECURITY_ATTRIBUTES* pProcessAttributes, SECURITY_ATTRIBUTES* pThreadAttributes,
                    BOOL bInheritHandles, DWORD dwCreationFlags, void* pEnvironment,
                    const char* pszCurrentDirectory, STARTUPINFOA* pStartupInfo,
                    PROCESS_INFORMATION* pProcessInformation);
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
BOOL GetExitCodeProcess(HANDLE hProcess, DWORD* pdwExitCode);

}  // namespace platform
