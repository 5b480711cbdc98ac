#include <windows.h>

#include "platform/Programs.h"

namespace platform {

BOOL CreateProcessA(const char* pszApplicationName, char* pszCommandLine,
                    SECURITY_ATTRIBUTES* pProcessAttributes, SECURITY_ATTRIBUTES* pThreadAttributes,
                    BOOL bInheritHandles, DWORD dwCreationFlags, void* pEnvironment,
                    const char* pszCurrentDirectory, STARTUPINFOA* pStartupInfo,
                    PROCESS_INFORMATION* pProcessInformation) {
    return ::CreateProcessA(pszApplicationName, pszCommandLine, pProcessAttributes,
                            pThreadAttributes, bInheritHandles, dwCreationFlags, pEnvironment,
                            pszCurrentDirectory, pStartupInfo, pProcessInformation);
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    return ::WaitForSingleObject(hHandle, dwMilliseconds);
}

BOOL GetExitCodeProcess(HANDLE hProcess, DWORD* pdwExitCode) {
    return ::GetExitCodeProcess(hProcess, pdwExitCode);
}

}  // namespace platform
