#include "app/SetupApp.h"

#include "app/LaunchRules.h"
#include "app/Locations.h"
#include "app/NamedMutex.h"
#include "app/ProductWindow.h"
#include "app/SetupCommandLineInfo.h"
#include "app/ShellOpen.h"
#include "app/SetupFlow.h"
#include "framework/MessageBox.h"
#include "params/ParamFile.h"
#include "res/resource.h"
#include "ui/FrontLayout.h"
#include "ui/win32/AutorunDlg.h"

CSetupApp theApp;

int RunFrontWindow() {
    CAutorunDlg dlg(GetLauncherDirectory(), nullptr);
    return (int)dlg.DoModal();
}

BOOL CSetupApp::InitInstance() {
    m_pMainWnd = nullptr;
    SetRegistryKey(IDS_REGISTRY_KEY);
    m_strProfileName = AfxLoadString(IDS_PROFILE_NAME);

    CSetupCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);

    CParamFile params(GetLauncherDirectory() + "Autorun.inf");

    if (cmdInfo.m_dwOptions & optAutorun) {
        CString strWanted = params.GetValue(Look4Title);
        if (!strWanted.IsEmpty()) {
            if (HWND hWnd = FindProductWindow(strWanted)) {
                BringProductWindowForward(hWnd);
                return TRUE;
            }
        }
        if (IsInstallerWaiting()) return TRUE;

        int nResult = RunFrontWindow();
        if (nResult == IDCANCEL) return TRUE;
        if (nResult == IDRUNPRODUCT) {
            RunInstalledProduct(params);
            return TRUE;
        }
    }
    return RunSetupPath(params, m_lpCmdLine);
}
