#include "app/ShellOpen.h"

#include "platform/Shell.h"
#include "platform/TopWindows.h"

bool ShellOpen(const char* pszFile, const char* pszParameters) {
    INT_PTR nResult = platform::ShellExecuteA(platform::GetDesktopWindow(), "open", pszFile,
                                              pszParameters, "", SW_SHOWNORMAL);
    return nResult > 32;
}
