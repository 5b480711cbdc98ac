/* Holds a named mutex for the tests of a waiting installer:
 *   holdmutex.exe NAME [SIGNAL_FILE] [MAX_MS]
 * Creates NAME, then, once it holds it, creates "SIGNAL_FILE.ready" (so the
 * test knows when the mutex exists) and keeps it until SIGNAL_FILE appears,
 * MAX_MS (default 60000) have passed, or it is killed. */
#include <windows.h>
#include <stdlib.h>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const char *signal = argc > 2 ? argv[2] : NULL;
    DWORD max = argc > 3 ? strtoul(argv[3], NULL, 10) : 60000;
    HANDLE mutex = CreateMutexA(NULL, TRUE, argv[1]);
    if (!mutex)
        return 1;
    if (signal) {
        char ready[MAX_PATH + 8];
        lstrcpynA(ready, signal, MAX_PATH);
        lstrcatA(ready, ".ready");
        CloseHandle(CreateFileA(ready, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    }
    DWORD start = GetTickCount();
    while (GetTickCount() - start < max) {
        if (signal && GetFileAttributesA(signal) != INVALID_FILE_ATTRIBUTES)
            break;
        Sleep(50);
    }
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return 0;
}
