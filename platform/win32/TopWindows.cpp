#include <windows.h>

#include "platform/TopWindows.h"

namespace platform {

int MessageBoxA(HWND hWnd, const char* pszText, const char* pszCaption, UINT uType) {
    return ::MessageBoxA(hWnd, pszText, pszCaption, uType);
}

HWND GetDesktopWindow() { return ::GetDesktopWindow(); }

HWND GetWindow(HWND hWnd, UINT uCmd) { return ::GetWindow(hWnd, uCmd); }

int GetWindowTextA(HWND hWnd, char* pszBuffer, int nMaxCount) {
    return ::GetWindowTextA(hWnd, pszBuffer, nMaxCount);
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) { return ::ShowWindow(hWnd, nCmdShow); }

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT uFlags) {
    return ::SetWindowPos(hWnd, hWndInsertAfter, x, y, cx, cy, uFlags);
}

}  // namespace platform
