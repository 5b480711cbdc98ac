/* What the steps share: the started program, the current window and how
 * slow this Wine is. Kept behind these calls so that the steps and the loop
 * that runs them both depend on this file, never on each other. */
#ifndef UIDRIVER_DRIVER_STATE_H
#define UIDRIVER_DRIVER_STATE_H

#include <windows.h>

#define DEFAULT_WAIT 5000
#define POLL_MS 20
/* A window counts as shown once it has stayed this long. */
#define STEADY_MS 500
/* How long a window's thread may take to answer a message before the
 * step that acts on it reports it not responding (scaled). */
#define RESPONSE_MS 2000

/* Scripts give waits as a native Wine needs them; the factor (1 or more)
 * stretches each one for a slower Wine. */
void SetSlowness(double factor);
DWORD Scaled(DWORD ms);

/* The started program: none until a start step succeeds. */
void SetStarted(HANDLE process, DWORD pid);
HANDLE StartedProcess(void);
DWORD StartedPid(void);
int ProcessRunning(void);

/* The window that answer, children, click and the input steps act on. */
HWND CurrentWindow(void);
void SetCurrentWindow(HWND w);

#endif
