// CDialog: a dialog from a template resource, run modally by our own loop.
#pragma once

#include "framework/win32/Wnd.h"

class CDialog : public CWnd {
public:
    CDialog(UINT nIDTemplate, CWnd* pParent) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParent) {}

    // The result given to EndDialog; -1 when the window cannot be created or
    // a quit request is pending (then the loop ends at once).
    INT_PTR DoModal();
    void EndDialog(int nResult);

protected:
    // Every message of the dialog. TRUE when handled, with the message's
    // result in *pResult; FALSE leaves it to the dialog manager.
    virtual BOOL OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // TRUE lets the dialog manager focus the first tab stop.
    virtual BOOL OnInitDialog() { return TRUE; }
    // The dialog manager's IDOK and IDCANCEL reach OnOK and OnCancel.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bEnded = false;
    int m_nResult = -1;
};
