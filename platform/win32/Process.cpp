#include <windows.h>

#include "platform/Process.h"

namespace platform {

const char* GetCommandLineA() { return ::GetCommandLineA(); }

DWORD GetModuleFileNameA(HMODULE hModule, char* pszBuffer, DWORD nSize) {
    return ::GetModuleFileNameA(hModule, pszBuffer, nSize);
}

void PostQuitMessage(int nExitCode) { ::PostQuitMessage(nExitCode); }

int RunMessageLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}

namespace {

// Strings are stored in UTF-16: convert them to the thread's ANSI code page,
// which Windows before 2000 can only tell through the thread's locale.
UINT ThreadAnsiCodePage() {
    OSVERSIONINFOA vi = {};
    vi.dwOSVersionInfoSize = sizeof vi;
    if (GetVersionExA(&vi) && vi.dwPlatformId == VER_PLATFORM_WIN32_NT && vi.dwMajorVersion >= 5)
        return CP_THREAD_ACP;
    char sz[8];
    if (GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, sz, sizeof sz)) {
        UINT n = 0;
        for (const char* p = sz; *p >= '0' && *p <= '9'; ++p) n = n * 10 + (UINT)(*p - '0');
        if (n) return n;
    }
    return CP_ACP;
}

}  // namespace

bool LoadResourceString(UINT nID, char* pszBuffer, int nSize) {
    if (nSize <= 0) return false;
    pszBuffer[0] = 0;
    HRSRC hRes = FindResourceA(nullptr, MAKEINTRESOURCEA(nID / 16 + 1), (LPCSTR)RT_STRING);
    if (!hRes) return false;
    const WORD* p = (const WORD*)LockResource(LoadResource(nullptr, hRes));
    if (!p) return false;
    const WORD* pEnd = p + SizeofResource(nullptr, hRes) / sizeof(WORD);
    // A block holds 16 counted strings; skip to ours.
    for (UINT i = 0; i < nID % 16; ++i) {
        if (p >= pEnd) return false;
        p += 1 + *p;
    }
    if (p >= pEnd || *p == 0 || p + 1 + *p > pEnd) return false;
    int n = WideCharToMultiByte(ThreadAnsiCodePage(), 0, (LPCWSTR)(p + 1), *p, pszBuffer,
                                nSize - 1, nullptr, nullptr);
    if (n <= 0) return false;
    pszBuffer[n] = 0;
    return true;
}

}  // namespace platform
