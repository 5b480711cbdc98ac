#include "ui/win32/AutorunDlg.h"

#include "framework/MessageBox.h"
#include "msi/MsiPackage.h"
#include "params/ParamFile.h"
#include "res/resource.h"

namespace {

const UINT kStripRows = kFrontButtons;

void ShowCouldNotFind(const char* pszPath) {
    CString strMessage;
    strMessage.Format(AfxLoadString(IDS_COULD_NOT_FIND), pszPath);
    AfxMessageBox(strMessage, MB_OK);
}

bool FileExists(const char* pszPath) {
    DWORD dwAttributes = GetFileAttributesA(pszPath);
    return *pszPath && dwAttributes != INVALID_FILE_ATTRIBUTES &&
           !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Every system has the screen's LOGPIXELSX; one that is not told of the
// program's DPI awareness says 96 there.
int ScreenDpi() {
    HDC hScreen = GetDC(nullptr);
    int nDpi = GetDeviceCaps(hScreen, LOGPIXELSX);
    ReleaseDC(nullptr, hScreen);
    return nDpi;
}

// Over the work area, kept inside it, as a window without an owner is.
void CenterOnWorkArea(HWND hWnd) {
    RECT rcArea, rcWindow;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcArea, 0);
    GetWindowRect(hWnd, &rcWindow);
    LONG cx = rcWindow.right - rcWindow.left, cy = rcWindow.bottom - rcWindow.top;
    LONG x = (rcArea.left + rcArea.right - cx) / 2, y = (rcArea.top + rcArea.bottom - cy) / 2;
    if (x + cx > rcArea.right) x = rcArea.right - cx;
    if (x < rcArea.left) x = rcArea.left;
    if (y + cy > rcArea.bottom) y = rcArea.bottom - cy;
    if (y < rcArea.top) y = rcArea.top;
    SetWindowPos(hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CAutorunDlg::CAutorunDlg(const char* pszLauncherDir, CWnd* pParent)
    : CDialog(IDD_AUTORUN, pParent), m_strLauncherDir(pszLauncherDir) {}

BOOL CAutorunDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CParamFile params(m_strLauncherDir + "Autorun.inf");
    CMsiPackage package(m_strLauncherDir + params.GetValue(SetupMSI));
    m_strInstalledExe = package.FindInstalledExe(params);

    SetWindowTextA(m_hWnd, params.GetValue(ProductName));
    HICON hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, (LPARAM)hIcon);
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, (LPARAM)hIcon);

    CString strBackdrop = m_strLauncherDir + params.GetValue(AutorunBackdrop);
    if (!m_backdrop.LoadFromFile(strBackdrop)) {
        ShowCouldNotFind(strBackdrop);
        return FALSE;
    }
    // Sized and centred before the strip loads, so that a message about the
    // strip shows over the window where it will stay. The layout then grows
    // the window so that its client area, not the whole window, is the
    // backdrop's size grown by the scale; the top left corner stays where
    // centring put it.
    m_nScale = FrontScale(ScreenDpi());
    RECT rcBackdrop;
    m_backdrop.GetBounds(&rcBackdrop);
    SetWindowPos(m_hWnd, nullptr, 0, 0, rcBackdrop.right * m_nScale, rcBackdrop.bottom * m_nScale,
                 SWP_NOMOVE);
    CenterOnWorkArea(m_hWnd);

    CString strStrip = m_strLauncherDir + params.GetValue(AutorunButtons);
    if (!m_strip.LoadFromFile(strStrip)) {
        ShowCouldNotFind(strStrip);
        return FALSE;
    }
    // Before the layout: it takes the face size from the first button's strip.
    for (int i = 0; i < kFrontButtons; ++i) {
        m_buttons[i].SetStrip(&m_strip, i, kStripRows);
        m_buttons[i].SetScale(m_nScale);
    }
    LayoutButtons();
    return TRUE;
}

void CAutorunDlg::LayoutButtons() {
    RECT rcWindow, rcClient, rcBackdrop;
    GetWindowRect(m_hWnd, &rcWindow);
    GetClientRect(m_hWnd, &rcClient);
    m_backdrop.GetBounds(&rcBackdrop);
    // The client area, not the window, takes the backdrop's size.
    SetWindowPos(m_hWnd, nullptr, 0, 0,
                 rcBackdrop.right * m_nScale + (rcWindow.right - rcWindow.left) - rcClient.right,
                 rcBackdrop.bottom * m_nScale + (rcWindow.bottom - rcWindow.top) - rcClient.bottom,
                 SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(m_hWnd, &rcClient);

    ButtonPlacement placement = PlaceFrontButtons(rcClient.right, rcClient.bottom,
                                                  m_buttons[0].GetFaceSize(),
                                                  FileExists(m_strInstalledExe), m_nScale);
    // Slots run left to right, so creating them in order sets the tab order.
    for (int i = 0; i < kFrontButtons; ++i) {
        if (!placement.bShown[i]) continue;
        m_buttons[i].Create("btn", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW,
                            placement.rc[i], this, IDC_RUN + i);
        // The same strip again, now that the window exists: it changes nothing,
        // but a button is fully set up by its creation step alone.
        m_buttons[i].SetStrip(&m_strip, i, kStripRows);
    }
}

BOOL CAutorunDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    int nResult = FrontCommandResult(wParam);
    if (nResult == IDCANCEL) {
        OnCancel();
    } else if (nResult) {
        EndDialog(nResult);
    } else {
        return CDialog::OnCommand(wParam, lParam);
    }
    return TRUE;
}

BOOL CAutorunDlg::OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (nMsg) {
    case WM_PAINT: {
        CPaintDC dc(this);
        m_backdrop.Draw(dc.m_hDC, nullptr, 0, 0, m_nScale);
        return TRUE;
    }
    case WM_QUERYNEWPALETTE:
        *pResult = RealizeDibPalette(m_hWnd);
        return TRUE;
    case WM_PALETTECHANGED:
        OnDibPaletteChanged((HWND)wParam, m_hWnd);
        return FALSE;
    }
    return CDialog::OnMessage(nMsg, wParam, lParam, pResult);
}
