#include "app/SetupFlow.h"

#include "app/LaunchRules.h"
#include "app/Locations.h"
#include "app/ShellOpen.h"
#include "framework/MessageBox.h"
#include "res/resource.h"

namespace {

void ShowCouldNotRun(const char* pszWhat) {
    CString strMessage;
    strMessage.Format(AfxLoadString(IDS_COULD_NOT_RUN), pszWhat);
    AfxMessageBox(strMessage, MB_OK);
}

}  // namespace

void RunInstalledProduct(const CParamFile& params) {
    // The installed program's path comes from the product's package.
    CString strExe;
    if (!ShellOpen(strExe, nullptr)) ShowCouldNotRun(strExe);
}

BOOL RunSetupPath(const CParamFile& params, const char* pszTail) {
    // System prerequisites run here, before the setup program.

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
