/* Stands in for a program the launcher starts: appends one JSON line with
 * its command line, current directory and C-runtime argv to
 * "<its own folder>\<its own name>.log", then ends with 0 and no window.
 * Copies under other names log to files of their own, so a test can tell
 * which program was started and how. With "<its own name>.hold" beside it,
 * it stays until that file is removed. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Same escaping as the driver's report: bytes above 0x7F as \u00XX. */
static void WriteString(FILE *f, const char *s)
{
    fputc('"', f);
    for (const unsigned char *p = (const unsigned char *)s; *p; ++p) {
        if (*p == '"' || *p == '\\')
            fprintf(f, "\\%c", *p);
        else if (*p < 0x20 || *p >= 0x7F)
            fprintf(f, "\\u%04x", *p);
        else
            fputc(*p, f);
    }
    fputc('"', f);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR tail, int show)
{
    char log[MAX_PATH + 8], cwd[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, log, MAX_PATH);
    char *dot = strrchr(log, '.');
    if (dot && !strchr(dot, '\\'))
        n = (DWORD)(dot - log);
    lstrcpyA(log + n, ".log");
    GetCurrentDirectoryA(sizeof cwd, cwd);

    FILE *f = fopen(log, "ab");
    if (!f)
        return 1;
    fputs("{\"cmdline\":", f);
    WriteString(f, GetCommandLineA());
    fputs(",\"cwd\":", f);
    WriteString(f, cwd);
    fputs(",\"argv\":[", f);
    for (int i = 0; i < __argc; ++i) {
        if (i)
            fputc(',', f);
        WriteString(f, __argv[i]);
    }
    fputs("]}\n", f);
    fclose(f);

    /* "<its name>.hold" beside it keeps it running until that file goes
     * (at most a minute), for a test of a caller that waits for it. */
    lstrcpyA(log + n, ".hold");
    for (int i = 0; i < 1200 && GetFileAttributesA(log) != INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
    return 0;
}
