#include "prereq/Restart.h"

#include "framework/App.h"
#include "framework/MessageBox.h"
#include "platform/Process.h"
#include "platform/Programs.h"
#include "platform/Registry.h"
#include "platform/Session.h"
#include "platform/Sync.h"
#include "res/resource.h"

DWORD RunAndWait(const char* pszCommandLine) {
    // CreateProcess may write into the command line it is given.
    CString strCommandLine(pszCommandLine);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!platform::CreateProcessA(nullptr, strCommandLine.GetBuffer(0), nullptr, nullptr, TRUE,
                                  NORMAL_PRIORITY_CLASS, nullptr, nullptr, &si, &pi))
        return kRunFailed;
    DWORD dwCode = kRunFailed;
    if (platform::WaitForSingleObject(pi.hProcess, INFINITE) == WAIT_OBJECT_0 &&
        !platform::GetExitCodeProcess(pi.hProcess, &dwCode))
        dwCode = kRunFailed;
    platform::CloseHandle(pi.hThread);
    platform::CloseHandle(pi.hProcess);
    return dwCode;
}

CString RerunCommand(const char* pszModulePath) {
    CString strPath(pszModulePath);
    if (strPath.Find(' ') < 0) return strPath;
    return "\"" + strPath + "\"";
}

void RegisterRerun() {
    char szPath[MAX_PATH];
    DWORD n = platform::GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    // A cut path would start some other program, or none.
    if (n == 0 || n >= MAX_PATH) return;
    szPath[n] = 0;
    HKEY hKey;
    if (platform::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Runonce",
                                0, KEY_READ | KEY_WRITE, &hKey) != ERROR_SUCCESS)
        return;
    CString strData = RerunCommand(szPath);
    platform::RegSetValueExA(hKey, "BX_SETUP_RERUN", 0, REG_SZ, (const BYTE*)strData.GetString(),
                             (DWORD)strData.GetLength() + 1);
    platform::RegCloseKey(hKey);
}

int PromptForRestart() {
    if (AfxMessageBox(IDS_REBOOT_NOW, MB_YESNO) == IDYES) {
        RegisterRerun();
        // Windows 9x needs no shutdown privilege; a refusal goes unnoticed.
        platform::ExitWindowsEx(EWX_REBOOT, 0);
        return kStepGoOn;
    }
    if (AfxMessageBox(IDS_EXIT_NOW, MB_YESNO) != IDYES) return kStepGoOn;
    AfxPostQuitMessage(0);
    return kStepEndNow;
}
