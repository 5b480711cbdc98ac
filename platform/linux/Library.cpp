// The platform's library loading on Linux, for the one library the launcher
// loads: Msi.dll, served from libmsi.
#include "platform/Library.h"

#include <cstring>

#include "framework/String.h"
#include "platform/Process.h"
#include "platform/linux/MsiLibrary.h"

namespace {

const char kMsiDll[] = "Msi.dll";
int g_msiModule;
HMODULE MsiModule() { return (HMODULE)&g_msiModule; }

}  // namespace

namespace platform {

DWORD SearchPathA(const char*, const char* pszFileName, const char*, DWORD nBufferLength,
                  char* pszBuffer, char** ppszFilePart) {
    if (CompareNoCase(pszFileName, kMsiDll) != 0) return 0;
    if (nBufferLength < sizeof kMsiDll) return sizeof kMsiDll;
    memcpy(pszBuffer, kMsiDll, sizeof kMsiDll);
    if (ppszFilePart) *ppszFilePart = pszBuffer;
    return sizeof kMsiDll - 1;
}

HMODULE LoadLibraryExA(const char* pszFileName, HANDLE, DWORD) {
    return CompareNoCase(pszFileName, kMsiDll) == 0 ? MsiModule() : nullptr;
}

FARPROC GetProcAddress(HMODULE hModule, const char* pszProcName) {
    if (hModule != MsiModule()) return nullptr;
    for (const auto& e : LibmsiExports())
        if (strcmp(e.first, pszProcName) == 0) return e.second;
    return nullptr;
}

BOOL FreeLibrary(HMODULE hModule) { return hModule == MsiModule(); }

DWORD GetModuleFileNameA(HMODULE hModule, char* pszBuffer, DWORD nSize) {
    const char* pszName = hModule == MsiModule() ? "libmsi" : "bxdisc";
    DWORD n = (DWORD)strlen(pszName);
    if (nSize == 0) return 0;
    if (n >= nSize) n = nSize - 1;
    memcpy(pszBuffer, pszName, n);
    pszBuffer[n] = 0;
    return n;
}

}  // namespace platform
