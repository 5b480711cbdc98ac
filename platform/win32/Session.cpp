#include <windows.h>

#include "platform/Session.h"

namespace platform {

BOOL GetVersionExA(OSVERSIONINFOA* pVersionInfo) { return ::GetVersionExA(pVersionInfo); }

BOOL ExitWindowsEx(UINT uFlags, DWORD dwReason) { return ::ExitWindowsEx(uFlags, dwReason); }

}  // namespace platform
