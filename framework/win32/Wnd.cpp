#include "framework/win32/Wnd.h"

CWnd* CWnd::FromHandle(HWND hWnd) { return (CWnd*)GetWindowLongPtrA(hWnd, GWLP_USERDATA); }

void CWnd::Attach(HWND hWnd) {
    m_hWnd = hWnd;
    SetWindowLongPtrA(hWnd, GWLP_USERDATA, (LONG_PTR)this);
}

void CWnd::Detach() {
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    m_hWnd = nullptr;
}

void CWnd::SubclassWindow(HWND hWnd) {
    Attach(hWnd);
    m_pfnSuper = (WNDPROC)SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)SubclassProc);
}

LRESULT CWnd::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) {
    return Default(nMsg, wParam, lParam);
}

LRESULT CWnd::Default(UINT nMsg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(m_pfnSuper, m_hWnd, nMsg, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = FromHandle(hWnd);
    if (nMsg == WM_NCDESTROY) {
        // The object may outlive its window: let it forget the handle.
        WNDPROC pfnSuper = pWnd->m_pfnSuper;
        pWnd->Detach();
        return CallWindowProcA(pfnSuper, hWnd, nMsg, wParam, lParam);
    }
    return pWnd->WindowProc(nMsg, wParam, lParam);
}

BOOL CButton::Create(const char* pszCaption, DWORD dwStyle, const RECT& rc, CWnd* pParent,
                     UINT nID) {
    HWND hWnd = CreateWindowExA(0, "BUTTON", pszCaption, dwStyle, rc.left, rc.top,
                                rc.right - rc.left, rc.bottom - rc.top, pParent->m_hWnd,
                                (HMENU)(UINT_PTR)nID, GetModuleHandleA(nullptr), nullptr);
    if (!hWnd) return FALSE;
    SubclassWindow(hWnd);
    return TRUE;
}
