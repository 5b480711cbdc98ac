#include "fake/FakePrograms.h"

#include "fake/Fake.h"
#include "fake/FakeSystem.h"
#include "fake/FakeWindows.h"
#include "platform/Programs.h"

namespace fake {

namespace {
ProgramsState g_programs;
Resetter g_reset([] { g_programs = ProgramsState(); });
}  // namespace

ProgramsState& Programs() { return g_programs; }

}  // namespace fake

namespace platform {

using fake::g_programs;

BOOL CreateProcessA(const char* pszApplicationName, char* pszCommandLine, SECURITY_ATTRIBUTES*,
                    SECURITY_ATTRIBUTES*, BOOL bInheritHandles, DWORD dwCreationFlags, void*,
                    const char*, STARTUPINFOA* pStartupInfo,
                    PROCESS_INFORMATION* pProcessInformation) {
    g_programs.runs.push_back({pszCommandLine ? pszCommandLine : "", pszApplicationName != nullptr,
                               bInheritHandles, dwCreationFlags, pStartupInfo->cb,
                               fake::Windows().boxes.size()});
    if (g_programs.startFails) return FALSE;
    fake::System().openHandles += 2;
    pProcessInformation->hProcess = (HANDLE)(uintptr_t)0x9001;
    pProcessInformation->hThread = (HANDLE)(uintptr_t)0x9002;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE, DWORD dwMilliseconds) {
    g_programs.waitTimeout = dwMilliseconds;
    return g_programs.waitResult;
}

BOOL GetExitCodeProcess(HANDLE, DWORD* pdwExitCode) {
    if (g_programs.exitCodeFails) return FALSE;
    *pdwExitCode = g_programs.exitCode;
    return TRUE;
}

}  // namespace platform
