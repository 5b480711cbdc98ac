#include "app/SetupFlow.h"

#include "app/LaunchRules.h"
#include "app/Locations.h"
#include "app/ShellOpen.h"
#include "framework/MessageBox.h"
#include "msi/MsiPackage.h"
#include "prereq/AutomationUpdate.h"
#include "prereq/DistributedCom.h"
#include "prereq/Restart.h"
#include "res/resource.h"

namespace {

void ShowCouldNotRun(const char* pszWhat) {
    CString strMessage;
    strMessage.Format(AfxLoadString(IDS_COULD_NOT_RUN), pszWhat);
    AfxMessageBox(strMessage, MB_OK);
}

}  // namespace

void RunInstalledProduct(const CParamFile& params) {
    CMsiPackage package(GetLauncherDirectory() + params.GetValue(SetupMSI));
    CString strExe = package.FindInstalledExe(params);
    // An empty path is no program; the shell might open a folder for it.
    if (strExe.IsEmpty() || !ShellOpen(strExe, nullptr)) ShowCouldNotRun(strExe);
}

BOOL RunSetupPath(const CParamFile& params, const char* pszTail) {
    // System prerequisites run here, before the setup program.
    if (UpdateAutomationLibrary(params) == kStepEndNow) return FALSE;
    if (InstallDistributedCom(params) == kStepEndNow) return FALSE;

    CString strSetupExe = params.GetValue(SetupExe);
    if (strSetupExe.IsEmpty()) {
        AfxMessageBox(IDS_NO_SETUP_EXE, MB_OK);
        return FALSE;
    }
    CString strParams = StripAutorunSwitch(pszTail);
    bool bStarted = ShellOpen(GetLauncherDirectory() + strSetupExe, strParams);
    if (!bStarted) ShowCouldNotRun(strSetupExe);
    return bStarted ? TRUE : FALSE;
}
