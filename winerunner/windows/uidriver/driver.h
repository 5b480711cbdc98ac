/* What every part of the driver shares: the started program, the current
 * window, the slowness factor and how a step's argument reads. The state is
 * defined in uidriver.c, beside the loop that runs the steps. */
#ifndef UIDRIVER_DRIVER_H
#define UIDRIVER_DRIVER_H

#include <windows.h>

#define DEFAULT_WAIT 5000
#define POLL_MS 20

extern PROCESS_INFORMATION g_proc; /* set by the start step */
extern HWND g_current; /* the window that answer/children/click act on */
extern double g_slowness;

DWORD Scaled(DWORD ms);
DWORD WaitArg(char **arg);
int ParseId(const char *s);
int ParsePoint(const char *step, const char *arg, long *x, long *y);

#endif
