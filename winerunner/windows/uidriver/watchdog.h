/* The run's time limit: past it the driver reports, ends what it started
 * and exits wherever the script is, so a caller never waits on a hang. */
#ifndef UIDRIVER_WATCHDOG_H
#define UIDRIVER_WATCHDOG_H

#include <windows.h>

void StartWatchdog(DWORD ms);

#endif
