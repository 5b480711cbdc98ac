/* A setup program that never gets past its second dialog: the demo setup's
   welcome, then "Choose a folder" whose Next does nothing, as a wizard that
   waits for an answer no one can give. Only Cancel ends it (1602). */
#include <windows.h>
#include "demo/DemoSetup.h"
#include "stucksetup.h"

static INT_PTR CALLBACK Welcome(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

static INT_PTR CALLBACK ChooseFolder(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return message == WM_COMMAND && LOWORD(wParam) == IDOK;  /* Next: no folder, no step */
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_WELCOME), NULL, Welcome, 0) != IDOK)
        return 1602;
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CHOOSE_FOLDER), NULL, ChooseFolder, 0);
    return 1602;
}
