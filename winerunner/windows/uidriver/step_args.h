/* How a step's argument reads: a leading wait, a control id, a point. */
#ifndef UIDRIVER_STEP_ARGS_H
#define UIDRIVER_STEP_ARGS_H

#include <windows.h>

DWORD WaitArg(char **arg);
int ParseId(const char *s);
int ParsePoint(const char *step, const char *arg, long *x, long *y);

#endif
