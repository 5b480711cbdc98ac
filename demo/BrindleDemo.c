/* The demo disc's product: one window whose title the disc's Look4Title
   finds, so that the launcher can bring it forward instead of starting it
   twice. */
#include <windows.h>

static LRESULT CALLBACK DemoWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        RECT client;
        HDC dc = BeginPaint(window, &paint);
        GetClientRect(window, &client);
        DrawTextA(dc, "Brindle Demo is running.", -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    WNDCLASSA windowClass = {0};
    MSG msg;
    HWND window;
    windowClass.lpfnWndProc = DemoWindow;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "BrindleDemo";
    RegisterClassA(&windowClass);
    window = CreateWindowA("BrindleDemo", "Brindle Demo - 1.0", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                           CW_USEDEFAULT, 360, 200, NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, show);
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
