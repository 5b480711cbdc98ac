#include "prereq/DistributedCom.h"

#include "app/Locations.h"
#include "prereq/OsVersion.h"
#include "prereq/RegistryKey.h"
#include "prereq/Restart.h"
#include "prereq/VersionInfo.h"

int NeedsDistributedCom(const CParamFile& params) {
    if (GetOsVersion() != osWin95) return 0;
    if (params.GetValue(InstDCOM95).IsEmpty()) return 0;
    CString strNeeded = params.GetValue(DCOM95VerNeeded);

    char szInstalled[MAX_PATH] = "";
    CRegistryKey key;
    if (key.Open(HKEY_CLASSES_ROOT, "CLSID\\{bdc67890-4fc0-11d0-a805-00aa006d2ea4}\\InstalledVersion",
                 KEY_READ | KEY_WRITE) == ERROR_SUCCESS) {
        DWORD n = sizeof szInstalled;
        // Registry data need not end with a zero; a value that fills the
        // buffer without one did not fit.
        if (key.QueryStringValue("", szInstalled, n) == ERROR_SUCCESS &&
            (n < sizeof szInstalled || szInstalled[n - 1] == 0)) {
            if (n < sizeof szInstalled) szInstalled[n] = 0;
        } else {
            szInstalled[0] = 0;
        }
    }
    key.Close();

    // Only the first numbers decide, read without the dot and blank rules.
    return ReadVersionNumbers(szInstalled).n[0] < ReadVersionNumbers(strNeeded).n[0] ? 1 : 0;
}

CString DistributedComCommandLine(const char* pszLauncherDirectory, const char* pszInstaller) {
    CString strCommandLine;
    strCommandLine.Format("\"%s%s\" /r:n /q:u /q:a", pszLauncherDirectory, pszInstaller);
    return strCommandLine;
}

int InstallDistributedCom(const CParamFile& params) {
    if (!NeedsDistributedCom(params)) return kStepGoOn;
    // Its result does not matter: a failed installer still wants the restart.
    RunAndWait(DistributedComCommandLine(GetLauncherDirectory(), params.GetValue(InstDCOM95)));
    return PromptForRestart();
}
