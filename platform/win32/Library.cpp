#include <windows.h>

#include "platform/Library.h"

namespace platform {

DWORD SearchPathA(const char* pszPath, const char* pszFileName, const char* pszExtension,
                  DWORD nBufferLength, char* pszBuffer, char** ppszFilePart) {
    return ::SearchPathA(pszPath, pszFileName, pszExtension, nBufferLength, pszBuffer, ppszFilePart);
}

HMODULE LoadLibraryExA(const char* pszFileName, HANDLE hFile, DWORD dwFlags) {
    return ::LoadLibraryExA(pszFileName, hFile, dwFlags);
}

FARPROC GetProcAddress(HMODULE hModule, const char* pszProcName) {
    return ::GetProcAddress(hModule, pszProcName);
}

BOOL FreeLibrary(HMODULE hModule) { return ::FreeLibrary(hModule); }

}  // namespace platform
