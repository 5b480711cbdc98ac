#include "fake/FakeWindows.h"

#include <algorithm>
#include <cstring>

#include "fake/Fake.h"
#include "platform/TopWindows.h"

namespace fake {

namespace {
WindowsState g_windows;
Resetter g_reset([] { g_windows = WindowsState(); });

HWND const kDesktop = (HWND)(uintptr_t)0x10000;

// Handles are 1-based indices into the window list.
TopWindow* Find(HWND h) {
    size_t i = (size_t)(uintptr_t)h;
    return (i >= 1 && i <= g_windows.windows.size()) ? &g_windows.windows[i - 1] : nullptr;
}
}  // namespace

WindowsState& Windows() { return g_windows; }
HWND WindowHandle(size_t i) { return (HWND)(uintptr_t)(i + 1); }

}  // namespace fake

namespace platform {

int MessageBoxA(HWND, const char* pszText, const char* pszCaption, UINT uType) {
    fake::g_windows.boxes.push_back({pszText, pszCaption, uType});
    if (fake::g_windows.answers.empty()) return IDOK;
    int n = fake::g_windows.answers.front();
    fake::g_windows.answers.pop_front();
    return n;
}

HWND GetDesktopWindow() { return fake::kDesktop; }

HWND GetWindow(HWND hWnd, UINT uCmd) {
    size_t n = fake::g_windows.windows.size();
    if (hWnd == fake::kDesktop && uCmd == GW_CHILD) return n ? fake::WindowHandle(0) : nullptr;
    size_t i = (size_t)(uintptr_t)hWnd;
    if (uCmd == GW_HWNDNEXT && i >= 1 && i < n) return fake::WindowHandle(i);
    return nullptr;
}

int GetWindowTextA(HWND hWnd, char* pszBuffer, int nMaxCount) {
    ++fake::g_windows.titleReads;
    fake::TopWindow* w = fake::Find(hWnd);
    if (!w || nMaxCount <= 0) return 0;
    int n = std::min((int)w->title.size(), nMaxCount - 1);
    memcpy(pszBuffer, w->title.data(), (size_t)n);
    pszBuffer[n] = 0;
    return n;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    if (fake::TopWindow* w = fake::Find(hWnd)) w->showCmd = nCmdShow;
    return TRUE;
}

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int, int, int, int, UINT uFlags) {
    fake::TopWindow* w = fake::Find(hWnd);
    if (w && hWndInsertAfter == HWND_TOP && (uFlags & (SWP_NOSIZE | SWP_NOMOVE)) == 3) w->raised = true;
    return TRUE;
}

}  // namespace platform
