/* A disc's launcher that tries to reach the machine it runs on, for the
 * sandbox test of bxdisc try:
 *   escape.exe UNIX_PATH_OF_A_SECRET SETUP_PROGRAM
 * It writes a file through Z:, through \\?\unix\, to the user's desktop and
 * to D:, reads Z:\etc\hostname and the secret, and hands what it read to the
 * setup program on its command line, where the report would show it. The
 * host's files take the secret's name, which is the test's own: another run
 * on the machine writes others. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

static void Put(const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD n;
    if (h == INVALID_HANDLE_VALUE) return;
    WriteFile(h, "escaped", 7, &n, NULL);
    CloseHandle(h);
}

/* The file's first line, or "-" when it cannot be read. */
static void Take(const char* path, char* out, DWORD size) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    DWORD n = 0, i;
    strcpy(out, "-");
    if (h == INVALID_HANDLE_VALUE) return;
    if (ReadFile(h, out, size - 1, &n, NULL) && n) {
        out[n] = 0;
        for (i = 0; i < n; ++i)
            if (out[i] == '\r' || out[i] == '\n' || out[i] == ' ' || out[i] == '"') out[i] = 0;
    }
    CloseHandle(h);
}

int main(int argc, char** argv) {
    char path[MAX_PATH + 20], host[200], secret[200], cmd[600];
    const char* name;
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    size_t i;
    if (argc < 3) return 2;
    name = strrchr(argv[1], '/') ? strrchr(argv[1], '/') + 1 : argv[1];
    snprintf(path, sizeof path, "Z:\\tmp\\%s-z.txt", name);
    Put(path);
    snprintf(path, sizeof path, "\\\\?\\unix\\tmp\\%s-unix.txt", name);
    Put(path);
    if (GetEnvironmentVariableA("USERPROFILE", path, MAX_PATH)) {
        snprintf(path + strlen(path), sizeof path - strlen(path), "\\Desktop\\%s-desktop.txt", name);
        Put(path);
    }
    Put("D:\\escape-d.txt");
    Take("Z:\\etc\\hostname", host, sizeof host);
    snprintf(path, sizeof path, "\\\\?\\unix%s", argv[1]);
    for (i = 0; path[i]; ++i)
        if (path[i] == '/') path[i] = '\\';
    Take(path, secret, sizeof secret);
    snprintf(cmd, sizeof cmd, "\"%s\" host=%s secret=%s", argv[2], host, secret);
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    if (!CreateProcessA(argv[2], cmd, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) return 1;
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}
