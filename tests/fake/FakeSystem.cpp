#include "fake/FakeSystem.h"

#include <cstring>

#include "fake/Fake.h"
#include "platform/SystemFolders.h"
#include "platform/Shell.h"
#include "platform/Sync.h"

namespace fake {

namespace {
SystemState g_system;
Resetter g_reset([] { g_system = SystemState(); });

UINT CopyDirectory(const std::string& dir, char* pszBuffer, UINT nSize) {
    if (dir.size() >= nSize) return (UINT)dir.size() + 1;  // Win32: the size needed
    memcpy(pszBuffer, dir.c_str(), dir.size() + 1);
    return (UINT)dir.size();
}
}  // namespace

SystemState& System() { return g_system; }

}  // namespace fake

namespace platform {

INT_PTR ShellExecuteA(HWND, const char* pszVerb, const char* pszFile, const char* pszParameters,
                      const char* pszDirectory, int nShowCmd) {
    fake::g_system.shellCalls.push_back({pszVerb ? pszVerb : "", pszFile ? pszFile : "",
                                         pszDirectory ? pszDirectory : "", pszParameters != nullptr,
                                         pszParameters ? pszParameters : "", nShowCmd});
    return fake::g_system.shellResult;
}

HANDLE OpenMutexA(DWORD dwDesiredAccess, BOOL, const char* pszName) {
    fake::g_system.mutexOpens.push_back(pszName);
    if (dwDesiredAccess != MUTEX_ALL_ACCESS || !fake::g_system.mutexes.count(pszName)) return nullptr;
    ++fake::g_system.openHandles;
    return (HANDLE)(uintptr_t)0x1234;
}

BOOL ReleaseMutex(HANDLE) { return FALSE; }  // never ours to release

BOOL CloseHandle(HANDLE h) {
    if (h) --fake::g_system.openHandles;
    return h != nullptr;
}

UINT GetSystemDirectoryA(char* pszBuffer, UINT nSize) {
    return fake::CopyDirectory(fake::g_system.systemDirectory, pszBuffer, nSize);
}

UINT GetWindowsDirectoryA(char* pszBuffer, UINT nSize) {
    return fake::CopyDirectory(fake::g_system.windowsDirectory, pszBuffer, nSize);
}

}  // namespace platform
