// Top-level windows and message boxes.
#pragma once

#include "platform/Types.h"

namespace platform {

int MessageBoxA(HWND hWnd, const char* pszText, const char* pszCaption, UINT uType);
HWND GetDesktopWindow();
HWND GetWindow(HWND hWnd, UINT uCmd);
int GetWindowTextA(HWND hWnd, char* pszBuffer, int nMaxCount);
BOOL ShowWindow(HWND hWnd, int nCmdShow);
BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT uFlags);

}  // namespace platform
