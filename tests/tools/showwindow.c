/* An open product window for the launcher to find:
 *   showwindow.exe TITLE [--minimized|--hidden|--button|--hung] [SIGNAL_FILE] [MAX_MS]
 * Shows a top-level window titled TITLE, creates "SIGNAL_FILE.ready" once
 * the window exists, and stays until SIGNAL_FILE appears, MAX_MS (default
 * 60000) have passed, the window is closed, or it is killed. The driver's
 * find-title step reads its maximised state and Z-order place. --button
 * gives it a default push button (IDOK); --hung too, but it then takes no
 * more messages, as a hung program. */
#include <windows.h>
#include <stdlib.h>
#include <string.h>

static LRESULT CALLBACK WindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(w, msg, wp, lp);
}

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    int show = SW_SHOWNORMAL, next = 2, button = 0, hung = 0;
    if (argc > 2 && strcmp(argv[2], "--minimized") == 0)
        show = SW_SHOWMINNOACTIVE, next = 3;
    else if (argc > 2 && strcmp(argv[2], "--hidden") == 0)
        show = SW_HIDE, next = 3;
    else if (argc > 2 && strcmp(argv[2], "--button") == 0)
        button = 1, next = 3;
    else if (argc > 2 && strcmp(argv[2], "--hung") == 0)
        button = hung = 1, next = 3;
    const char *signal = argc > next ? argv[next] : NULL;
    DWORD max = argc > next + 1 ? strtoul(argv[next + 1], NULL, 10) : 60000;

    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = "ShowWindowTool";
    RegisterClassA(&wc);
    HWND w = CreateWindowA(wc.lpszClassName, argv[1], WS_OVERLAPPEDWINDOW, 40, 40, 320, 200,
                           NULL, NULL, wc.hInstance, NULL);
    if (!w)
        return 1;
    if (button)
        CreateWindowA("BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 110, 60, 80, 24, w,
                      (HMENU)IDOK, wc.hInstance, NULL);
    ShowWindow(w, show);
    UpdateWindow(w);
    if (signal) {
        char ready[MAX_PATH + 8];
        lstrcpynA(ready, signal, MAX_PATH);
        lstrcatA(ready, ".ready");
        CloseHandle(CreateFileA(ready, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    }

    DWORD start = GetTickCount();
    MSG msg;
    for (;;) {
        while (!hung && PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return 0;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (GetTickCount() - start > max)
            break;
        if (signal && GetFileAttributesA(signal) != INVALID_FILE_ATTRIBUTES)
            break;
        if (hung)
            Sleep(50);
        else
            MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
    }
    DestroyWindow(w);
    return 0;
}
