/* The UI driver of the Wine runner: follows a Windows program under Wine
 * step by step, for bxdisc try and the project's tests under Wine. It
 * starts one program, then follows a script of steps against it and reports
 * each step as one JSON line.
 *
 *   uidriver.exe [-o OUT] [-x SLOWNESS] [-t TOTAL_MS] [-k IMAGE]... (-f SCRIPT | STEP...)
 *
 * The report goes to OUT (flushed line by line, so a killed run still leaves
 * what it saw) or to stdout. A failed step reports "ok":false, ends the
 * script and kills the started program, so a test never hangs on it. After
 * TOTAL_MS the driver gives up wherever it is. Processes whose file name is
 * an IMAGE are ended when the driver ends, however it ends. SLOWNESS (a
 * factor, 1 by default) stretches every wait and sleep, TOTAL_MS included,
 * for a Wine that runs slower than a native one (emulated, or under load).
 * SCRIPT "-" takes the steps from standard input as they come, so that a
 * caller (bxdisc try) can choose each step on what the last one reported.
 * Steps and their output are listed in README.md beside the windows folder.
 *
 * This file holds main, the step table and the loop that runs the steps;
 * the steps are in steps_*.c by kind, and what they share is behind
 * driver_state.h.
 */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "driver_state.h"
#include "family.h"
#include "leftovers.h"
#include "report.h"
#include "steps.h"
#include "watchdog.h"
#include "window_search.h"

typedef int (*StepFn)(char *arg);

static const struct { const char *name; StepFn fn; } g_steps[] = {
    { "cmd", StepCmd },
    { "app", StepApp },
    { "dir", StepDir },
    { "start", StepStart },
    { "expect-box", StepExpectBox },
    { "expect-window", StepExpectWindow },
    { "answer", StepAnswer },
    { "click", StepClick },
    { "children", StepChildren },
    { "wait-exit", StepWaitExit },
    { "follow", StepFollow },
    { "kill", StepKill },
    { "follow-family", StepFollowFamily },
    { "kill-family", StepKillFamily },
    { "list-windows", StepListWindows },
    { "find-title", StepFindTitle },
    { "hover", StepHover },
    { "press", StepPress },
    { "mouse-click", StepMouseClick },
    { "key", StepKey },
    { "close", StepClose },
    { "wait-gone", StepWaitGone },
    { "focus", StepFocus },
    { "mouse", StepMouse },
    { "cursor", StepCursor },
    { "pixel", StepPixel },
    { "window-pixel", StepWindowPixel },
    { "pointer", StepPointer },
    { "open-alone", StepOpenAlone },
    { "sleep", StepSleep },
    { "echo", StepEcho },
};

/* A step line is "NAME" or "NAME ARG", ARG running to the end of the line
 * as it stands (a command line keeps its own blanks and tabs). */
static int RunStep(char *line)
{
    size_t n = strlen(line);
    while (n && (line[n - 1] == '\r' || line[n - 1] == '\n'))
        line[--n] = 0;
    if (!line[0] || line[0] == '#')
        return 1;
    char *arg = strchr(line, ' ');
    if (arg)
        *arg++ = 0;
    else
        arg = line + n;
    for (size_t i = 0; i < sizeof g_steps / sizeof g_steps[0]; ++i)
        if (strcmp(line, g_steps[i].name) == 0)
            return g_steps[i].fn(arg);
    Begin("unknown");
    KeyString("name", line);
    End(0);
    return 0;
}

/* Whether fgets got the whole line: the rest of a longer one must not run
 * as a step of its own. */
static int WholeLine(const char *line, size_t size, FILE *f)
{
    size_t n = strlen(line);
    if (n < size - 1 || line[n - 1] == '\n')
        return 1;
    int c = getc(f);
    return c == EOF || c == '\n';
}

/* A failed step leaves the started program in an unknown state: say which
 * windows it shows, then end it and what it started, so nothing is left
 * behind. */
static void Abandon(void)
{
    DWORD killed[64];
    if (ProcessRunning()) {
        for (HWND w = FirstTopLevel(); w; w = GetWindow(w, GW_HWNDNEXT)) {
            if (IsOurs(w) && IsWindowVisible(w)) {
                Begin("left-window");
                PutWindowFields(w);
                End(1);
            }
        }
        StepKill("");
    }
    FamilyKill(killed, sizeof killed / sizeof killed[0]);
}

/* Sizes, points and pixels in the screen's own units: a driver that is not
   DPI-aware is told scaled-down figures for an aware program's windows on
   systems that scale (Wine 10 does). Absent before Vista. */
static void BeDpiAware(void)
{
    typedef BOOL(WINAPI * SetAware)(void);
    SetAware set = (SetAware)(void (*)(void))GetProcAddress(GetModuleHandleA("user32.dll"),
                                                           "SetProcessDPIAware");
    if (set)
        set();
}

int main(int argc, char **argv)
{
    const char *script = NULL;
    int first = 1;
    BeDpiAware();
    ReportInit();
    while (first + 1 < argc && argv[first][0] == '-') {
        if (strcmp(argv[first], "-o") == 0) {
            if (!ReportOpen(argv[first + 1]))
                return 2;
        } else if (strcmp(argv[first], "-t") == 0) {
            StartWatchdog(Scaled(strtoul(argv[first + 1], NULL, 10)));
        } else if (strcmp(argv[first], "-x") == 0) {
            SetSlowness(atof(argv[first + 1]));
        } else if (strcmp(argv[first], "-k") == 0) {
            AddLeftoverImage(argv[first + 1]);
        } else if (strcmp(argv[first], "-f") == 0) {
            script = argv[first + 1];
        } else {
            break;
        }
        first += 2;
    }

    int ok = 1;
    if (script) {
        static char line[8192];
        /* "-" reads the steps as they come: a caller can decide each step
         * on what the last one reported. */
        FILE *f = strcmp(script, "-") == 0 ? stdin : fopen(script, "r");
        if (!f) {
            Begin("script");
            KeyString("error", "cannot open");
            End(0);
            return 2;
        }
        while (ok && fgets(line, sizeof line, f)) {
            if (!WholeLine(line, sizeof line, f)) {
                Begin("script");
                KeyInt("max", (long)sizeof line - 1);
                KeyString("error", "line too long");
                End(0);
                ok = 0;
            } else {
                ok = RunStep(line);
            }
        }
        if (f != stdin)
            fclose(f);
    } else {
        for (int i = first; ok && i < argc; ++i)
            ok = RunStep(argv[i]);
    }
    if (!ok)
        Abandon();
    KillLeftovers();
    Begin("done");
    End(ok);
    ReportClose();
    return ok ? 0 : 1;
}
