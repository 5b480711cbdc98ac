#include <windows.h>
#include <shellapi.h>

#include "platform/Shell.h"

namespace platform {

INT_PTR ShellExecuteA(HWND hWnd, const char* pszVerb, const char* pszFile,
                      const char* pszParameters, const char* pszDirectory, int nShowCmd) {
    return (INT_PTR)::ShellExecuteA(hWnd, pszVerb, pszFile, pszParameters, pszDirectory, nShowCmd);
}

}  // namespace platform
