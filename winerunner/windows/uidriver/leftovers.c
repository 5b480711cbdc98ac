#include "leftovers.h"

#include <windows.h>
#include <tlhelp32.h>

#include "driver_state.h"
#include "report.h"

static const char *g_kill[16];
static int g_killCount;

/* Names past the sixteenth are dropped: the runner passes a handful. */
void AddLeftoverImage(const char *image)
{
    if (g_killCount < (int)(sizeof g_kill / sizeof g_kill[0]))
        g_kill[g_killCount++] = image;
}

void KillLeftovers(void)
{
    if (!g_killCount)
        return;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe;
    pe.dwSize = sizeof pe;
    for (BOOL more = Process32First(snap, &pe); more; more = Process32Next(snap, &pe)) {
        for (int i = 0; i < g_killCount; ++i) {
            if (lstrcmpiA(pe.szExeFile, g_kill[i]) != 0)
                continue;
            HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pe.th32ProcessID);
            if (p) {
                TerminateProcess(p, 9);
                WaitForSingleObject(p, Scaled(DEFAULT_WAIT));
                CloseHandle(p);
                Begin("killed-leftover");
                KeyString("image", pe.szExeFile);
                KeyInt("pid", (long)pe.th32ProcessID);
                End(1);
            }
        }
    }
    CloseHandle(snap);
}
