// CAutorunDlg: the front window of autorun mode. A backdrop, the product's
// name as caption, and a row of image buttons whose click is the result.
#pragma once

#include "framework/String.h"
#include "framework/win32/Dialog.h"
#include "ui/FrontLayout.h"
#include "ui/win32/Dib.h"
#include "ui/win32/ImageButton.h"

class CAutorunDlg : public CDialog {
public:
    CAutorunDlg(const char* pszLauncherDir, CWnd* pParent);

protected:
    BOOL OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // Enter leaves, as Escape does: no button is the default.
    void OnOK() override { OnCancel(); }

private:
    void LayoutButtons();

    CString m_strLauncherDir;
    CDib m_backdrop;
    CDib m_strip;
    CImageButton m_buttons[kFrontButtons];  // declared after m_strip: they go first
    CString m_strInstalledExe;
    LONG m_nScale = 1;  // the screen's DPI over 96, whole: everything drawn grows by it
};
