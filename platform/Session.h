// The running system: which version it is, and its restart.
#pragma once

#include "platform/Types.h"

namespace platform {

// Takes an OSVERSIONINFOA or, by its size field, an OSVERSIONINFOEXA.
BOOL GetVersionExA(OSVERSIONINFOA* pVersionInfo);
BOOL ExitWindowsEx(UINT uFlags, DWORD dwReason);

}  // namespace platform
