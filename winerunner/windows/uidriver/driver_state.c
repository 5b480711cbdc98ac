/* The one copy of the state the steps share. The watchdog thread reads the
 * started program too; it only ever ends it. */
#include "driver_state.h"

static double g_slowness = 1.0;
static HANDLE g_process;
static DWORD g_pid;
static HWND g_current;

void SetSlowness(double factor)
{
    /* a NaN or a factor below 1 would shorten waits a native Wine needs */
    g_slowness = factor >= 1.0 ? factor : 1.0;
}

DWORD Scaled(DWORD ms)
{
    return (DWORD)(ms * g_slowness + 0.5);
}

void SetStarted(HANDLE process, DWORD pid)
{
    g_process = process;
    g_pid = pid;
}

HANDLE StartedProcess(void)
{
    return g_process;
}

DWORD StartedPid(void)
{
    return g_pid;
}

int ProcessRunning(void)
{
    return g_process && WaitForSingleObject(g_process, 0) == WAIT_TIMEOUT;
}

HWND CurrentWindow(void)
{
    return g_current;
}

void SetCurrentWindow(HWND w)
{
    g_current = w;
}
