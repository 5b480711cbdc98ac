#include <windows.h>

#include "platform/SystemFolders.h"

namespace platform {

UINT GetSystemDirectoryA(char* pszBuffer, UINT nSize) {
    return ::GetSystemDirectoryA(pszBuffer, nSize);
}

UINT GetWindowsDirectoryA(char* pszBuffer, UINT nSize) {
    return ::GetWindowsDirectoryA(pszBuffer, nSize);
}

}  // namespace platform
