/* The least program that shows a dialog: an empty one of the front window's
 * template size and style, from a template in memory. The benchmark's
 * yardstick for how soon a window can be on screen at all. */
#include <windows.h>

static INT_PTR CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        EndDialog(w, LOWORD(wp));
        return TRUE;
    }
    return msg == WM_INITDIALOG;
}

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmd, int show)
{
    /* DLGTEMPLATE, then empty menu, class and title, then the font. */
    static struct {
        DLGTEMPLATE t;
        WORD menu, cls, title, points;
        WCHAR font[14];
    } tpl = {
        { WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT
          | DS_CENTER, 0, 0, 0, 0, 258, 130 },
        0, 0, 0, 8, L"MS Sans Serif",
    };
    return (int)DialogBoxIndirectParamA(inst, &tpl.t, NULL, Proc, 0);
}
