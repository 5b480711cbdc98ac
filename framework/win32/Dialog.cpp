#include "framework/win32/Dialog.h"

#include <string.h>

#include "framework/App.h"

namespace {

// The dialog of a template, created hidden whatever the template's
// WS_VISIBLE says, so that the caller decides whether it shows at all;
// *pbVisible tells what the template said.
HWND CreateHiddenDialog(UINT nIDTemplate, HWND hParent, DLGPROC pfnProc, LPARAM lParam,
                        bool* pbVisible) {
    HINSTANCE hInstance = GetModuleHandleA(nullptr);
    HRSRC hResource = FindResourceA(hInstance, MAKEINTRESOURCEA(nIDTemplate), (LPCSTR)RT_DIALOG);
    HGLOBAL hTemplate = hResource ? LoadResource(hInstance, hResource) : nullptr;
    const BYTE* pTemplate = hTemplate ? (const BYTE*)LockResource(hTemplate) : nullptr;
    DWORD cbTemplate = hResource ? SizeofResource(hInstance, hResource) : 0;
    if (!pTemplate || cbTemplate < sizeof(DLGTEMPLATE)) return nullptr;
    BYTE* pCopy = new BYTE[cbTemplate];
    memcpy(pCopy, pTemplate, cbTemplate);
    // An extended template (signature 0xFFFF) has its style 12 bytes in.
    bool bExtended = cbTemplate >= 16 && pCopy[2] == 0xFF && pCopy[3] == 0xFF;
    DWORD* pStyle = (DWORD*)(pCopy + (bExtended ? 12 : 0));
    *pbVisible = (*pStyle & WS_VISIBLE) != 0;
    *pStyle &= ~(DWORD)WS_VISIBLE;
    HWND hWnd = CreateDialogIndirectParamA(hInstance, (const DLGTEMPLATE*)pCopy, hParent, pfnProc,
                                           lParam);
    delete[] pCopy;
    return hWnd;
}

}  // namespace

INT_PTR CDialog::DoModal() {
    HWND hParent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    m_bEnded = false;
    bool bVisible = false;
    HWND hWnd = CreateHiddenDialog(m_nIDTemplate, hParent, DialogProc, (LPARAM)this, &bVisible);
    if (!hWnd) return -1;
    // Shown once initialisation returns, as the template asks, unless a quit
    // request is pending: the loop below then ends at once, and a window that
    // only flashed up would be all the user saw of it.
    if (bVisible && !AfxIsQuitPending()) ShowWindow(hWnd, SW_SHOWNORMAL);
    if (hParent) EnableWindow(hParent, FALSE);

    // Our own loop rather than DialogBox's: that one answers a quit request
    // with the default button's id, and the caller must tell the two apart.
    bool bQuit = false;
    MSG msg;
    while (!m_bEnded) {
        if (AfxIsQuitPending()) {
            bQuit = true;
            break;
        }
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
            PostQuitMessage((int)msg.wParam);  // for the loop that owns it
            bQuit = true;
            break;
        }
        if (!IsDialogMessageA(hWnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    if (hParent) EnableWindow(hParent, TRUE);
    DestroyWindow(hWnd);
    return bQuit ? -1 : m_nResult;
}

void CDialog::EndDialog(int nResult) {
    m_nResult = nResult;
    m_bEnded = true;
    // Wakes the loop should the call come from outside a dispatched message.
    PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

BOOL CDialog::OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (nMsg) {
    case WM_INITDIALOG:
        *pResult = OnInitDialog();
        return TRUE;
    case WM_COMMAND:
        return OnCommand(wParam, lParam);
    case WM_DRAWITEM: {
        DRAWITEMSTRUCT* pDrawItem = (DRAWITEMSTRUCT*)lParam;
        CWnd* pItem = pDrawItem->CtlType == ODT_MENU ? nullptr : FromHandle(pDrawItem->hwndItem);
        if (!pItem) return FALSE;
        pItem->DrawItem(pDrawItem);
        *pResult = TRUE;
        return TRUE;
    }
    }
    return FALSE;
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (wParam == IDOK) {
        OnOK();
    } else if (wParam == IDCANCEL) {
        OnCancel();
    } else {
        return FALSE;
    }
    return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg == WM_INITDIALOG) ((CDialog*)lParam)->Attach(hWnd);
    CDialog* pDlg = (CDialog*)FromHandle(hWnd);
    if (!pDlg) return FALSE;  // messages before WM_INITDIALOG
    if (nMsg == WM_NCDESTROY) {
        pDlg->Detach();
        return FALSE;
    }
    LRESULT nResult = 0;
    if (!pDlg->OnMessage(nMsg, wParam, lParam, &nResult)) return FALSE;
    if (nMsg == WM_INITDIALOG) return nResult;
    SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, nResult);
    return TRUE;
}
