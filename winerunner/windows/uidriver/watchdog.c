#include "watchdog.h"

#include "driver_state.h"
#include "leftovers.h"
#include "report.h"

static DWORD WINAPI Watchdog(LPVOID ms)
{
    Sleep((DWORD)(ULONG_PTR)ms);
    Begin("watchdog");
    End(0);
    if (ProcessRunning())
        TerminateProcess(StartedProcess(), 9);
    KillLeftovers();
    ExitProcess(3);
}

void StartWatchdog(DWORD ms)
{
    CloseHandle(CreateThread(NULL, 0, Watchdog, (LPVOID)(ULONG_PTR)ms, 0, NULL));
}
