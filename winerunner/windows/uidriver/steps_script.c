/* The script's own steps: a pause, and a line back for a caller to sync on. */
#include "steps.h"

#include <stdlib.h>

#include "driver_state.h"
#include "report.h"

int StepSleep(char *arg)
{
    Sleep(Scaled(strtoul(arg, NULL, 10)));
    return 1;
}

int StepEcho(char *arg)
{
    Begin("echo");
    KeyString("text", arg);
    End(1);
    return 1;
}
