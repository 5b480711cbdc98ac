/* Steps on the started program's process: what to start, starting it,
 * waiting for its next move or its end, ending it. */
#include "steps.h"

#include <string.h>

#include "box_icon.h"
#include "driver_state.h"
#include "family.h"
#include "report.h"
#include "step_args.h"
#include "window_search.h"

static char g_cmd[4096];
static char g_app[MAX_PATH];
static char g_dir[MAX_PATH];

/* A setting that does not fit fails rather than start a cut command line
 * or look in a cut path. */
static int Setting(const char *step, char *to, size_t size, const char *arg)
{
    if (strlen(arg) >= size) {
        Begin(step);
        KeyInt("max", (long)size - 1);
        KeyString("error", "too long");
        End(0);
        return 0;
    }
    lstrcpyA(to, arg);
    return 1; /* silent: the start step reports what it ran */
}

int StepCmd(char *arg)
{
    return Setting("cmd", g_cmd, sizeof g_cmd, arg);
}

int StepApp(char *arg)
{
    return Setting("app", g_app, sizeof g_app, arg);
}

int StepDir(char *arg)
{
    return Setting("dir", g_dir, sizeof g_dir, arg);
}

int StepStart(char *arg)
{
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    char cmd[sizeof g_cmd];
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    lstrcpyA(cmd, g_cmd);
    /* Wine starts the desktop (explorer.exe /desktop) for the first window
     * call and waits for it: made here, before the program runs, the
     * driver's first look for its windows and the program's first window
     * do not each start one. */
    GetDesktopWindow();
    BOOL ok = CreateProcessA(g_app[0] ? g_app : NULL, cmd, NULL, NULL, FALSE, 0, NULL,
                             g_dir[0] ? g_dir : NULL, &si, &pi);
    SetStarted(ok ? pi.hProcess : NULL, ok ? pi.dwProcessId : 0);
    Begin("start");
    KeyString("cmd", g_cmd);
    if (ok) {
        FamilyStart(pi.hProcess, pi.dwProcessId);
        KeyInt("pid", (long)pi.dwProcessId);
        CloseHandle(pi.hThread);
    } else {
        KeyInt("error", (long)GetLastError());
    }
    End(ok);
    return ok;
}

typedef struct { HWND hwnd; char cls[64], title[256]; } Flash;
typedef struct {
    int ended;          /* the program ended ... */
    HWND shown;         /* ... or shows this window, steady; neither: timeout */
    Flash flashed[8];   /* windows that came and went sooner */
    int nFlashed;
    DWORD ms;
} Outcome;

/* Waits up to ms for the started program to end or to show a window that
 * stays STEADY_MS. Windows that come and go sooner (a dialog ended at once by
 * a pending quit request) are kept as flashed. */
static void AwaitOutcome(DWORD ms, Outcome *o)
{
    DWORD start = GetTickCount(), since = 0;
    Flash seen;
    HWND shown = NULL;
    memset(o, 0, sizeof *o);
    for (;;) {
        int ended = WaitForSingleObject(StartedProcess(), POLL_MS) == WAIT_OBJECT_0;
        HWND w = ended ? NULL : FindOwnVisible(NULL);
        if (w != shown) {
            if (shown && o->nFlashed < (int)(sizeof o->flashed / sizeof o->flashed[0]))
                o->flashed[o->nFlashed++] = seen;
            shown = w;
            since = GetTickCount();
            if (w) {
                seen.hwnd = w;
                GetClassNameA(w, seen.cls, sizeof seen.cls);
                GetWindowTextA(w, seen.title, sizeof seen.title);
            }
        }
        int steady = shown && GetTickCount() - since > Scaled(STEADY_MS);
        if (ended || steady || GetTickCount() - start > ms) {
            o->ended = ended;
            o->shown = steady ? shown : NULL;
            o->ms = GetTickCount() - start;
            return;
        }
    }
}

static void PutFlashed(const Outcome *o)
{
    Key("flashed");
    Put("[");
    for (int i = 0; i < o->nFlashed; ++i) {
        Put(i ? ",{" : "{");
        Putf("\"hwnd\":%lu", (unsigned long)(ULONG_PTR)o->flashed[i].hwnd);
        KeyString("class", o->flashed[i].cls);
        KeyString("title", o->flashed[i].title);
        Put("}");
    }
    Put("]");
}

static int NotStarted(const char *step)
{
    Begin(step);
    KeyString("error", "not started");
    End(0);
    return 0;
}

/* Waits for the started program to end. Fails early when it shows a window
 * that stays: a box nobody answers would otherwise run into the time. */
int StepWaitExit(char *arg)
{
    DWORD ms = WaitArg(&arg);
    Outcome o;
    if (!StartedProcess())
        return NotStarted("wait-exit");
    AwaitOutcome(ms, &o);
    Begin("wait-exit");
    if (o.ended) {
        DWORD code = 0;
        GetExitCodeProcess(StartedProcess(), &code);
        KeyInt("code", (long)code);
        KeyInt("ms", (long)o.ms);
    } else if (o.shown) {
        char text[2048] = "";
        HWND label = GetDlgItem(o.shown, 0xFFFF);
        if (label)
            GetWindowTextA(label, text, sizeof text);
        SetCurrentWindow(o.shown);
        KeyString("error", "window");
        PutWindowFields(o.shown);
        KeyString("text", text);
    } else {
        KeyString("error", "timeout");
    }
    PutFlashed(&o);
    End(o.ended);
    return o.ended;
}

/* What the started program does next: it ends ("ended", "code"), or shows a
 * window that stays, which becomes current ("ended" false, its fields; a
 * message box, one with the static text 0xFFFF, also "box", its text,
 * buttons and icon). Fails only when neither comes within MS. */
int StepFollow(char *arg)
{
    DWORD ms = WaitArg(&arg);
    Outcome o;
    if (!StartedProcess())
        return NotStarted("follow");
    AwaitOutcome(ms, &o);
    const char *icon = NULL;
    int box = o.shown && GetDlgItem(o.shown, 0xFFFF) != NULL;
    if (box)
        icon = BoxIcon(o.shown, Scaled(2000));
    Begin("follow");
    KeyBool("ended", o.ended);
    KeyInt("ms", (long)o.ms);
    if (o.ended) {
        DWORD code = 0;
        GetExitCodeProcess(StartedProcess(), &code);
        KeyInt("code", (long)code);
    } else if (o.shown) {
        SetCurrentWindow(o.shown);
        PutWindowFields(o.shown);
        KeyBool("box", box);
        if (box) {
            PutBoxFields(o.shown);
            KeyString("icon", icon);
        }
    } else {
        KeyString("error", "timeout");
    }
    PutFlashed(&o);
    End(o.ended || o.shown);
    return o.ended || o.shown;
}

int StepKill(char *arg)
{
    Begin("kill");
    KeyBool("was_running", ProcessRunning());
    if (ProcessRunning()) {
        TerminateProcess(StartedProcess(), 9);
        WaitForSingleObject(StartedProcess(), Scaled(DEFAULT_WAIT));
    }
    End(1);
    return 1;
}
