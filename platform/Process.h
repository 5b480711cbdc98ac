// The process itself: its command line, its module, its message queue.
#pragma once

#include "platform/Types.h"

namespace platform {

const char* GetCommandLineA();
// The full path of a module's file (null: the launcher's own), as Win32 gives it.
DWORD GetModuleFileNameA(HMODULE hModule, char* pszBuffer, DWORD nSize);
void PostQuitMessage(int nExitCode);
// Runs the thread's message loop until the quit request; gives its code.
int RunMessageLoop();
// The string resource converted to the thread's ANSI code page; false when missing.
bool LoadResourceString(UINT nID, char* pszBuffer, int nSize);

}  // namespace platform
