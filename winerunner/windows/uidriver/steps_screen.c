/* Steps that look without acting: the current window's children and focus,
 * the pointer, pixels, and whether a file is held open. */
#include "steps.h"

#include "driver_state.h"
#include "report.h"
#include "step_args.h"
#include "window_search.h"

/* The window's default push button: the button drawn as the default,
 * which Enter presses (under Wine a box's DM_GETDEFID can name another),
 * else the dialog's own answer when it names a visible child; 0: none. */
static int DefaultButton(HWND w)
{
    char cls[16];
    DWORD_PTR def = 0;
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "Button") == 0 && IsWindowVisible(c)
            && (GetWindowLongA(c, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return GetDlgCtrlID(c);
    }
    if (SendMessageTimeoutA(w, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, Scaled(RESPONSE_MS), &def)
        && HIWORD(def) == DC_HASDEFID && IsWindowVisible(GetDlgItem(w, LOWORD(def))))
        return LOWORD(def);
    return 0;
}

int StepChildren(char *arg)
{
    char cls[256], text[1024];
    HWND w = CurrentWindow();
    const char *error = !w || !IsWindow(w) ? "no window" : !Responds(w) ? "not responding" : NULL;
    if (error) {
        Begin("children");
        KeyString("error", error);
        End(0);
        return 0;
    }
    int def = DefaultButton(w);
    Begin("children");
    KeyInt("default", def);
    Key("children");
    Put("[");
    int first = 1;
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT r;
        GetClassNameA(c, cls, sizeof cls);
        GetWindowTextA(c, text, sizeof text);
        GetWindowRect(c, &r);
        MapWindowPoints(NULL, w, (POINT *)&r, 2); /* client coordinates */
        Put(first ? "{" : ",{");
        first = 0;
        Putf("\"id\":%d", GetDlgCtrlID(c));
        KeyString("class", cls);
        KeyString("text", text);
        KeyRect("rect", r);
        KeyBool("visible", IsWindowVisible(c));
        KeyBool("enabled", IsWindowEnabled(c));
        Key("style");
        Putf("%lu}", (unsigned long)GetWindowLongA(c, GWL_STYLE));
    }
    Put("]");
    End(1);
    return 1;
}

/* The child of the current window that has the keyboard focus: its id, or
 * 0 when the focus is elsewhere. Focus is per thread, so it is read through
 * the window's thread. */
int StepFocus(char *arg)
{
    GUITHREADINFO gui;
    HWND w = CurrentWindow();
    memset(&gui, 0, sizeof gui);
    gui.cbSize = sizeof gui;
    Begin("focus");
    if (!w || !IsWindow(w) || !GetGUIThreadInfo(GetWindowThreadProcessId(w, NULL), &gui)) {
        KeyString("error", "no window");
        End(0);
        return 0;
    }
    HWND f = gui.hwndFocus;
    KeyInt("id", f && GetParent(f) == w ? GetDlgCtrlID(f) : 0);
    KeyBool("active", gui.hwndActive == w);
    End(1);
    return 1;
}

/* Where the pointer is, and the window under it. */
int StepPointer(char *arg)
{
    POINT p;
    char cls[64] = "";
    BOOL ok = GetCursorPos(&p);
    HWND w = WindowFromPoint(p);
    if (w)
        GetClassNameA(w, cls, sizeof cls);
    Begin("pointer");
    KeyInt("x", p.x);
    KeyInt("y", p.y);
    KeyInt("id", w ? GetDlgCtrlID(w) : 0);
    KeyString("class", cls);
    End(ok);
    return ok;
}

/* "pixel X Y": a screen pixel. "window-pixel X Y": a pixel of the current
 * window's client area through its own device context, which on a
 * 256-colour screen reads the system palette rather than an X capture. */
static int PixelOf(const char *step, HWND w, char *arg)
{
    long x, y;
    if (!ParsePoint(step, arg, &x, &y))
        return 0;
    HDC dc = GetDC(w);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(w, dc);
    Begin(step);
    KeyInt("x", x);
    KeyInt("y", y);
    Key("rgb");
    Putf("\"#%02x%02x%02x\"", GetRValue(c), GetGValue(c), GetBValue(c));
    End(c != CLR_INVALID);
    return c != CLR_INVALID;
}

int StepPixel(char *arg)
{
    return PixelOf("pixel", NULL, arg);
}

int StepWindowPixel(char *arg)
{
    HWND w = CurrentWindow();
    if (!w || !IsWindow(w)) {
        Begin("window-pixel");
        KeyString("error", "no window");
        End(0);
        return 0;
    }
    return PixelOf("window-pixel", w, arg);
}

/* Opens a file for reading with no sharing, as a check that no process
 * holds it open, and closes it again. */
int StepOpenAlone(char *arg)
{
    HANDLE h = CreateFileA(arg, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    Begin("open-alone");
    KeyString("path", arg);
    if (h == INVALID_HANDLE_VALUE) {
        KeyInt("error", (long)GetLastError());
        End(0);
        return 0;
    }
    CloseHandle(h);
    End(1);
    return 1;
}
