// Starting programs through the shell.
#pragma once

#include "platform/Types.h"

namespace platform {

// ShellExecuteA's result as a signed number: above 32 means started.
INT_PTR ShellExecuteA(HWND hWnd, const char* pszVerb, const char* pszFile,
                      const char* pszParameters, const char* pszDirectory, int nShowCmd);

}  // namespace platform
