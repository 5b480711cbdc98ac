// CWnd: one window handle and the object that answers for it; CPaintDC.
#pragma once

#include <windows.h>

#include "framework/Object.h"

class CWnd : public CObject {
public:
    CWnd() : m_hWnd(nullptr), m_pfnSuper(nullptr) {}

    // The object tied to one of our windows; null for any other window.
    static CWnd* FromHandle(HWND hWnd);

    // Owner-drawn controls draw themselves: their parent hands WM_DRAWITEM on.
    virtual void DrawItem(DRAWITEMSTRUCT* pDrawItem) {}

    HWND m_hWnd;

protected:
    void Attach(HWND hWnd);
    void Detach();

    // A window of a system class whose messages should reach WindowProc.
    void SubclassWindow(HWND hWnd);
    // Every message of a subclassed window; Default is the class's own handling.
    virtual LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT nMsg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper;
};

class CButton : public CWnd {
public:
    BOOL Create(const char* pszCaption, DWORD dwStyle, const RECT& rc, CWnd* pParent, UINT nID);
};

class CPaintDC {
public:
    explicit CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { m_hDC = BeginPaint(m_hWnd, &m_ps); }
    ~CPaintDC() { EndPaint(m_hWnd, &m_ps); }

    HDC m_hDC;

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps;
};
