#include "app/ProductWindow.h"

#include "app/LaunchRules.h"
#include "platform/TopWindows.h"

HWND FindProductWindow(const CString& strWanted) {
    // Enough for any loop the window list could hold while we walk it.
    const int kMaxWindows = 100000;
    HWND hWnd = platform::GetWindow(platform::GetDesktopWindow(), GW_CHILD);
    for (int i = 0; hWnd && i < kMaxWindows; ++i) {
        char szTitle[260];
        szTitle[0] = 0;
        int n = platform::GetWindowTextA(hWnd, szTitle, sizeof szTitle);
        szTitle[n > 0 && n < (int)sizeof szTitle ? n : 0] = 0;
        if (MatchesWindowTitle(szTitle, strWanted)) return hWnd;
        hWnd = platform::GetWindow(hWnd, GW_HWNDNEXT);
    }
    return nullptr;
}

void BringProductWindowForward(HWND hWnd) {
    platform::ShowWindow(hWnd, SW_SHOWMAXIMIZED);
    platform::SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}
