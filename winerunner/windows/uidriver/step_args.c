#include "step_args.h"

#include <stdio.h>
#include <stdlib.h>

#include "driver_state.h"
#include "report.h"

/* An optional wait in milliseconds at the head of the argument, scaled;
 * the argument then starts after it. */
DWORD WaitArg(char **arg)
{
    char *end;
    unsigned long ms = strtoul(*arg, &end, 10);
    if (end == *arg)
        return Scaled(DEFAULT_WAIT);
    while (*end == ' ')
        ++end;
    *arg = end;
    return Scaled(ms);
}

static const struct { const char *name; int id; } g_ids[] = {
    { "IDOK", IDOK }, { "IDCANCEL", IDCANCEL }, { "IDABORT", IDABORT },
    { "IDRETRY", IDRETRY }, { "IDIGNORE", IDIGNORE }, { "IDYES", IDYES },
    { "IDNO", IDNO },
};

/* A control id: a number, or a dialog button's id by name. */
int ParseId(const char *s)
{
    for (size_t i = 0; i < sizeof g_ids / sizeof g_ids[0]; ++i)
        if (lstrcmpiA(s, g_ids[i].name) == 0)
            return g_ids[i].id;
    return (int)strtol(s, NULL, 0);
}

/* A screen or client point, "X Y". Anything else fails the step rather
 * than act at a point the script never named. */
int ParsePoint(const char *step, const char *arg, long *x, long *y)
{
    char more;
    if (sscanf(arg, "%ld %ld %c", x, y, &more) == 2)
        return 1;
    Begin(step);
    KeyString("point", arg);
    KeyString("error", "bad point");
    End(0);
    return 0;
}
