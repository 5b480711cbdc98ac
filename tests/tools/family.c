/* A process family, as a setup that hands over to other programs is:
 *   family.exe TITLE CODE [COMMAND...]
 * With TITLE "-" it starts COMMAND at once; else it first asks in a message
 * box titled TITLE (a question: OK, Cancel; Cancel the default) and starts
 * COMMAND on OK only. Either way it then ends with CODE, leaving what it
 * started running; CODE "crash" makes it crash instead. */
#include <windows.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    int code = atoi(argv[2]);
    if (strcmp(argv[1], "-") != 0
        && MessageBoxA(NULL, "Go on?", argv[1], MB_OKCANCEL | MB_DEFBUTTON2 | MB_ICONQUESTION) != IDOK)
        return code;
    char cmd[4096] = "";
    for (int i = 3; i < argc; ++i) {
        if (strlen(cmd) + strlen(argv[i]) + 2 > sizeof cmd)
            return 2;
        strcat(cmd, i > 3 ? " " : "");
        strcat(cmd, argv[i]);
    }
    if (cmd[0]) {
        STARTUPINFOA si;
        PROCESS_INFORMATION pi;
        memset(&si, 0, sizeof si);
        si.cb = sizeof si;
        if (!CreateProcessA(NULL, cmd, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
            return 3;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    /* an illegal instruction: under qemu-user a write to address 0 may not fault */
    if (strcmp(argv[2], "crash") == 0)
        __builtin_trap();
    return code;
}
