// Libraries loaded at run time and the functions they export.
#pragma once

#include "platform/Types.h"

namespace platform {

DWORD SearchPathA(const char* pszPath, const char* pszFileName, const char* pszExtension,
                  DWORD nBufferLength, char* pszBuffer, char** ppszFilePart);
HMODULE LoadLibraryExA(const char* pszFileName, HANDLE hFile, DWORD dwFlags);
FARPROC GetProcAddress(HMODULE hModule, const char* pszProcName);
BOOL FreeLibrary(HMODULE hModule);

}  // namespace platform
