#include "window_search.h"

#include <string.h>

#include "driver_state.h"
#include "report.h"

int IsOurs(HWND w)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return StartedProcess() && pid == StartedPid();
}

/* Top-level windows in Z order, from the top: the order the launcher walks. */
HWND FirstTopLevel(void)
{
    return GetWindow(GetDesktopWindow(), GW_CHILD);
}

/* Whether the window's thread takes a message within a bound: a step must
 * not hang on a hung program, it reports it. */
int Responds(HWND w)
{
    DWORD_PTR result;
    return SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, Scaled(RESPONSE_MS), &result) != 0;
}

/* The first visible top-level window of the started program that matches:
 * NULL takes any; "title=TEXT" wants that exact title; else a class name. */
HWND FindOwnVisible(const char *match)
{
    char name[1024];
    int byTitle = match && strncmp(match, "title=", 6) == 0;
    for (HWND w = FirstTopLevel(); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (!IsOurs(w) || !IsWindowVisible(w))
            continue;
        if (byTitle) {
            GetWindowTextA(w, name, sizeof name);
            if (strcmp(name, match + 6) != 0)
                continue;
        } else if (match) {
            GetClassNameA(w, name, sizeof name);
            if (lstrcmpiA(name, match) != 0)
                continue;
        }
        return w;
    }
    return NULL;
}

/* Waits for a visible top-level window of the started program, matched as
 * FindOwnVisible does. Reports "timeout" or "exited" when none comes. */
HWND AwaitOwnWindow(const char *step, const char *match, DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND w = FindOwnVisible(match);
        if (w)
            return w;
        if (!ProcessRunning()) {
            DWORD code = 0;
            if (StartedProcess())
                GetExitCodeProcess(StartedProcess(), &code);
            Begin(step);
            KeyString("error", "exited");
            KeyInt("code", (long)code);
            End(0);
            return NULL;
        }
        if (GetTickCount() - start > ms) {
            Begin(step);
            KeyString("error", "timeout");
            End(0);
            return NULL;
        }
        Sleep(POLL_MS);
    }
}

void PutWindowFields(HWND w)
{
    char text[1024], cls[256];
    RECT r, c;
    DWORD pid = 0;
    GetWindowTextA(w, text, sizeof text);
    GetClassNameA(w, cls, sizeof cls);
    GetWindowRect(w, &r);
    GetClientRect(w, &c);
    GetWindowThreadProcessId(w, &pid);
    Key("hwnd");
    Putf("%lu", (unsigned long)(ULONG_PTR)w);
    KeyInt("pid", (long)pid);
    KeyString("class", cls);
    KeyString("title", text);
    KeyRect("rect", r);
    POINT origin = { 0, 0 };
    ClientToScreen(w, &origin);
    Key("client");
    Putf("[%ld,%ld]", c.right, c.bottom);
    Key("origin");
    Putf("[%ld,%ld]", origin.x, origin.y);
    KeyBool("visible", IsWindowVisible(w));
    KeyBool("zoomed", IsZoomed(w));
    KeyBool("iconic", IsIconic(w));
    Key("style");
    Putf("%lu", (unsigned long)GetWindowLongA(w, GWL_STYLE));
}

/* A message box's text (its static 0xFFFF) and visible buttons (ids). */
void PutBoxFields(HWND box)
{
    char text[2048] = "";
    char cls[64];
    HWND label = GetDlgItem(box, 0xFFFF);
    if (label)
        GetWindowTextA(label, text, sizeof text);
    KeyString("text", text);
    Key("buttons");
    Put("[");
    int first = 1;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "Button") == 0 && IsWindowVisible(c)) {
            Putf(first ? "%d" : ",%d", GetDlgCtrlID(c));
            first = 0;
        }
    }
    Put("]");
}
