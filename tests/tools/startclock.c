/* Times how soon programs put a window on screen, in paired runs.
 *
 *   startclock.exe RUNS CMDLINE_A CMDLINE_B
 *
 * Each round starts A, then B, each alone: from CreateProcess to its first
 * visible top-level window, polled every millisecond, then the peak working
 * set while the window shows, then the program is ended. One JSON line per
 * run: {"round", "which", "ms", "peak_kb"}. */
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>

typedef struct { DWORD pid; HWND found; } Search;

static BOOL CALLBACK Visit(HWND w, LPARAM lp)
{
    Search *s = (Search *)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == s->pid && IsWindowVisible(w)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

static int RunOnce(const char *cmdline, double *ms, SIZE_T *peak)
{
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    LARGE_INTEGER freq, t0, t1;
    char cmd[1024];
    Search s = { 0, NULL };
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    lstrcpynA(cmd, cmdline, sizeof cmd);
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    if (!CreateProcessA(NULL, cmd, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return 0;
    s.pid = pi.dwProcessId;
    for (;;) {
        EnumWindows(Visit, (LPARAM)&s);
        if (s.found || WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0)
            break;
    }
    QueryPerformanceCounter(&t1);
    *ms = (double)(t1.QuadPart - t0.QuadPart) * 1000.0 / (double)freq.QuadPart;
    Sleep(300); /* let it paint before its memory is read */
    PROCESS_MEMORY_COUNTERS pmc;
    memset(&pmc, 0, sizeof pmc);
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(pi.hProcess, &pmc, sizeof pmc);
    *peak = pmc.PeakWorkingSetSize;
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return s.found != NULL;
}

int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    int runs = atoi(argv[1]);
    for (int round = 0; round < runs; ++round) {
        for (int which = 0; which < 2; ++which) {
            double ms = 0;
            SIZE_T peak = 0;
            int ok = RunOnce(argv[2 + which], &ms, &peak);
            printf("{\"round\":%d,\"which\":\"%c\",\"ok\":%s,\"ms\":%.2f,\"peak_kb\":%lu}\n",
                   round, 'A' + which, ok ? "true" : "false", ms, (unsigned long)(peak / 1024));
            fflush(stdout);
        }
    }
    return 0;
}
