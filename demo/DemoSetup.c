/* The demo disc's stand-in for a product's real setup program: it shows
   what the launcher handed it and ends. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrev, LPSTR lpCmdLine, int nShow) {
    char text[1024], dir[MAX_PATH];
    GetCurrentDirectoryA(sizeof dir, dir);
    wsprintfA(text,
              "The product's setup program would run now.\n\n"
              "Arguments: [%s]\nWorking folder: %s",
              lpCmdLine, dir);
    MessageBoxA(NULL, text, "Brindle Demo Setup", MB_OK | MB_ICONINFORMATION);
    return 0;
}
