/* Steps on the started program's whole family (family.h): following the
 * windows of a setup that hands over to other processes, and ending them. */
#include "steps.h"

#include <string.h>

#include "box_icon.h"
#include "driver_state.h"
#include "family.h"
#include "report.h"
#include "step_args.h"
#include "window_search.h"

#define FAMILY_POLL_MS 50

/* Windows follow-family has reported, each with the title it had then. */
static struct { HWND hwnd; char title[256]; } g_reported[256];
static int g_nReported;

static int Reported(HWND w, const char *title)
{
    for (int i = 0; i < g_nReported; ++i)
        if (g_reported[i].hwnd == w)
            return strcmp(g_reported[i].title, title) == 0;
    return 0;
}

static void Remember(HWND w, const char *title)
{
    int i = 0;
    while (i < g_nReported && g_reported[i].hwnd != w)
        ++i;
    if (i == (int)(sizeof g_reported / sizeof g_reported[0]))
        return;
    g_nReported += i == g_nReported;
    g_reported[i].hwnd = w;
    lstrcpynA(g_reported[i].title, title, sizeof g_reported[i].title);
}

static DWORD OwnerPid(HWND w)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

/* The topmost visible top-level window of the family not reported as it is. */
static HWND NewWindow(char *title, int size)
{
    for (HWND w = FirstTopLevel(); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (!IsWindowVisible(w) || !FamilyHas(OwnerPid(w)))
            continue;
        GetWindowTextA(w, title, size);
        if (!Reported(w, title))
            return w;
    }
    return NULL;
}

/* Waits up to ms for every member to end (1) or a new window that stays
 * STEADY_MS (its handle in *shown); 0 when neither comes. */
static int AwaitFamily(DWORD ms, HWND *shown, char *title, int size)
{
    DWORD start = GetTickCount(), since = 0;
    HWND candidate = NULL;
    char now[256], was[256] = "";
    *shown = NULL;
    for (;;) {
        FamilyRefresh();
        if (FamilyAllEnded())
            return 1;
        HWND w = NewWindow(now, sizeof now);
        if (w != candidate || (w && strcmp(now, was) != 0)) {
            candidate = w;
            lstrcpynA(was, w ? now : "", sizeof was);
            since = GetTickCount();
        }
        if (candidate && GetTickCount() - since >= Scaled(STEADY_MS)) {
            *shown = candidate;
            lstrcpynA(title, was, size);
            return 0;
        }
        if (GetTickCount() - start > ms)
            return 0;
        Sleep(FAMILY_POLL_MS);
    }
}

/* The family's visible top-level windows, topmost first: where it is stuck. */
static void PutFamilyWindows(void)
{
    int first = 1;
    Key("windows");
    Put("[");
    for (HWND w = FirstTopLevel(); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (!IsWindowVisible(w) || !FamilyHas(OwnerPid(w)))
            continue;
        Put(first ? "{\"image\":" : ",{\"image\":");
        PutString(FamilyImage(OwnerPid(w)));
        PutWindowFields(w);
        Put("}");
        first = 0;
    }
    Put("]");
}

/* The family's next move: a new window that stays, which becomes current,
 * or the end of every member. Neither within MS is no failure ("moved"
 * false, with the windows it shows): a caller pictures the stuck dialog. */
int StepFollowFamily(char *arg)
{
    DWORD ms = WaitArg(&arg), start = GetTickCount();
    HWND shown;
    char title[256];
    if (!StartedProcess()) {
        Begin("follow-family");
        KeyString("error", "not started");
        End(0);
        return 0;
    }
    int ended = AwaitFamily(ms, &shown, title, sizeof title);
    int box = shown && GetDlgItem(shown, 0xFFFF) != NULL;
    const char *icon = box ? BoxIcon(shown, Scaled(2000)) : NULL;
    Begin("follow-family");
    KeyBool("ended", ended);
    KeyBool("moved", ended || shown);
    KeyInt("ms", (long)(GetTickCount() - start));
    if (shown) {
        Remember(shown, title);
        SetCurrentWindow(shown);
        PutWindowFields(shown);
        KeyString("image", FamilyImage(OwnerPid(shown)));
        KeyBool("box", box);
        if (box) {
            PutBoxFields(shown);
            KeyString("icon", icon);
        }
    } else if (!ended) {
        PutFamilyWindows();
    }
    PutFamilyExits();
    PutFamilyRunning();
    End(1);
    return 1;
}

int StepKillFamily(char *arg)
{
    DWORD killed[64];
    int n = FamilyKill(killed, sizeof killed / sizeof killed[0]);
    Begin("kill-family");
    Key("killed");
    Put("[");
    for (int i = 0; i < n; ++i) {
        Putf(i ? ",{\"pid\":%lu" : "{\"pid\":%lu", (unsigned long)killed[i]);
        KeyString("image", FamilyImage(killed[i]));
        Put("}");
    }
    Put("]");
    End(1);
    return 1;
}
