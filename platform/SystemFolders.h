// The system's and Windows's own folders.
#pragma once

#include "platform/Types.h"

namespace platform {

UINT GetSystemDirectoryA(char* pszBuffer, UINT nSize);
UINT GetWindowsDirectoryA(char* pszBuffer, UINT nSize);

}  // namespace platform
