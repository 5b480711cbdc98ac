/* Steps on the program's windows: waiting for one, making it current,
 * answering, clicking, closing it and finding windows by title. */
#include "steps.h"

#include "box_icon.h"
#include "driver_state.h"
#include "report.h"
#include "step_args.h"
#include "window_search.h"

int StepExpectBox(char *arg)
{
    DWORD ms = WaitArg(&arg);
    HWND box = AwaitOwnWindow("expect-box", "#32770", ms);
    if (!box)
        return 0;
    SetCurrentWindow(box);
    const char *icon = BoxIcon(box, Scaled(2000));
    Begin("expect-box");
    PutWindowFields(box);
    PutBoxFields(box);
    KeyString("icon", icon);
    End(1);
    return 1;
}

int StepExpectWindow(char *arg)
{
    DWORD ms = WaitArg(&arg);
    HWND w = AwaitOwnWindow("expect-window", *arg ? arg : NULL, ms);
    if (!w)
        return 0;
    SetCurrentWindow(w);
    Begin("expect-window");
    PutWindowFields(w);
    End(1);
    return 1;
}

/* Answers the current dialog as a click on button ID would, then waits for
 * the dialog to go away. */
int StepAnswer(char *arg)
{
    int id = ParseId(arg);
    HWND box = CurrentWindow();
    const char *error = !box || !IsWindow(box) ? "no window" : !Responds(box) ? "not responding" : NULL;
    Begin("answer");
    KeyInt("id", id);
    if (error) {
        KeyString("error", error);
        End(0);
        return 0;
    }
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(box, id));
    DWORD start = GetTickCount();
    while (IsWindow(box) && IsWindowVisible(box)) {
        if (GetTickCount() - start > Scaled(DEFAULT_WAIT)) {
            KeyString("error", "timeout");
            End(0);
            return 0;
        }
        Sleep(POLL_MS);
    }
    SetCurrentWindow(NULL);
    End(1);
    return 1;
}

/* Clicks a child control of the current window, as BM_CLICK does. */
int StepClick(char *arg)
{
    int id = ParseId(arg);
    HWND w = CurrentWindow();
    HWND c = w ? GetDlgItem(w, id) : NULL;
    const char *error = !c ? "no control" : !Responds(w) ? "not responding" : NULL;
    Begin("click");
    KeyInt("id", id);
    if (error) {
        KeyString("error", error);
        End(0);
        return 0;
    }
    PostMessageA(c, BM_CLICK, 0, 0);
    End(1);
    return 1;
}

/* Asks the current window to close, as its close box does. */
int StepClose(char *arg)
{
    HWND w = CurrentWindow();
    const char *error = !w || !IsWindow(w) ? "no window" : !Responds(w) ? "not responding" : NULL;
    Begin("close");
    if (error) {
        KeyString("error", error);
        End(0);
        return 0;
    }
    PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    End(1);
    return 1;
}

/* Waits until the current window is gone or hidden. */
int StepWaitGone(char *arg)
{
    DWORD ms = WaitArg(&arg), start = GetTickCount();
    HWND w = CurrentWindow();
    while (w && IsWindow(w) && IsWindowVisible(w)) {
        if (GetTickCount() - start > ms) {
            Begin("wait-gone");
            KeyString("error", "timeout");
            End(0);
            return 0;
        }
        Sleep(POLL_MS);
    }
    SetCurrentWindow(NULL);
    Begin("wait-gone");
    End(1);
    return 1;
}

int StepListWindows(char *arg)
{
    int z = 0;
    for (HWND w = FirstTopLevel(); w; w = GetWindow(w, GW_HWNDNEXT), ++z) {
        if (!IsWindowVisible(w) && lstrcmpA(arg, "all") != 0)
            continue;
        Begin("window");
        KeyInt("z", z);
        PutWindowFields(w);
        End(1);
    }
    Begin("list-windows");
    End(1);
    return 1;
}

/* The first top-level window, in Z order, whose title is exactly TITLE; "z"
 * is its place among all top-level windows, "zvisible" among the visible
 * ones (0 = on top). */
int StepFindTitle(char *arg)
{
    char text[1024];
    int z = 0, zVisible = 0;
    for (HWND w = FirstTopLevel(); w; w = GetWindow(w, GW_HWNDNEXT), ++z) {
        GetWindowTextA(w, text, sizeof text);
        if (lstrcmpA(text, arg) == 0) {
            SetCurrentWindow(w);
            Begin("find-title");
            PutWindowFields(w);
            KeyInt("z", z);
            KeyInt("zvisible", zVisible);
            End(1);
            return 1;
        }
        if (IsWindowVisible(w))
            ++zVisible;
    }
    Begin("find-title");
    KeyString("title", arg);
    KeyString("error", "not found");
    End(0);
    return 0;
}
