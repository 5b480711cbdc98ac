/* The demo disc's setup program, as small as a real one can be: a welcome,
   the disc's package installed by the installer service with its basic
   progress window, and a closing word. msi.dll is loaded at run time, as the
   launcher loads it, so that a system without the installer service gets a
   message instead of a loader error. */
#include <windows.h>
#include "DemoSetup.h"

#define INSTALL_UI_BASIC 3         /* INSTALLUILEVEL_BASIC */
#define INSTALL_CANCELLED 1602     /* ERROR_INSTALL_USEREXIT */
#define INSTALLER_MISSING 1601     /* ERROR_INSTALL_SERVICE_FAILURE */

typedef int (WINAPI *SetInternalUI)(int level, HWND *window);
typedef UINT (WINAPI *InstallProduct)(LPCSTR package, LPCSTR commandLine);

/* Both dialogs end on either of their buttons, saying which. */
static INT_PTR CALLBACK EndOnButton(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

/* The package beside this program, wherever the disc is mounted. */
static void PackagePath(char *path, DWORD size) {
    DWORD n = GetModuleFileNameA(NULL, path, size - 16);
    while (n > 0 && path[n - 1] != '\\')
        n--;
    lstrcpyA(path + n, "BrindleDemo.msi");
}

static UINT Install(void) {
    char package[MAX_PATH + 16];
    HMODULE msi = LoadLibraryA("msi.dll");
    SetInternalUI setUI = msi ? (SetInternalUI)GetProcAddress(msi, "MsiSetInternalUI") : NULL;
    InstallProduct install = msi ? (InstallProduct)GetProcAddress(msi, "MsiInstallProductA") : NULL;
    if (!setUI || !install)
        return INSTALLER_MISSING;
    PackagePath(package, sizeof package);
    setUI(INSTALL_UI_BASIC, NULL);
    return install(package, "");
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    char text[160];
    UINT result;
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_WELCOME), NULL, EndOnButton, 0) != IDOK)
        return INSTALL_CANCELLED;
    result = Install();
    if (result != ERROR_SUCCESS) {
        wsprintfA(text, "Brindle Demo was not installed.\n\nThe installer ended with error %u.", result);
        MessageBoxA(NULL, text, "Brindle Demo Setup", MB_OK | MB_ICONERROR);
        return (int)result;
    }
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_FINISH), NULL, EndOnButton, 0);
    return 0;
}
