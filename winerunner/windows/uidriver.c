/* UI driver for the end-to-end tests: starts one program, then follows a
 * script of steps against it and reports each step as one JSON line.
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
 * Steps and their output are listed in README.md beside this folder.
 */
#include <windows.h>
#include <tlhelp32.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define DEFAULT_WAIT 5000
#define POLL_MS 20

static FILE *g_out;
static char g_cmd[4096];
static char g_app[MAX_PATH];
static char g_dir[MAX_PATH];
static PROCESS_INFORMATION g_proc;
static HWND g_current; /* the window that answer/children/click act on */
static const char *g_kill[16];
static int g_killCount;
static double g_slowness = 1.0;

/* Every wait goes through here: scripts give waits as native Wine needs them. */
static DWORD Scaled(DWORD ms)
{
    return (DWORD)(ms * g_slowness + 0.5);
}

/* ---- report writing ---------------------------------------------------- */

/* One line is built at a time; the watchdog thread may report too. */
static CRITICAL_SECTION g_lineLock;
static char g_line[65536];
static size_t g_len;

static void Put(const char *s)
{
    size_t n = strlen(s);
    if (g_len + n >= sizeof g_line)
        n = sizeof g_line - 1 - g_len;
    memcpy(g_line + g_len, s, n);
    g_len += n;
    g_line[g_len] = 0;
}

static void Putf(const char *fmt, ...)
{
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    _vsnprintf(buf, sizeof buf - 1, fmt, ap);
    buf[sizeof buf - 1] = 0;
    va_end(ap);
    Put(buf);
}

/* Texts are ANSI bytes; bytes above 0x7F go out as \u00XX so the report stays
 * ASCII and the reader gets the bytes back by encoding to latin-1. */
static void PutString(const char *s)
{
    Put("\"");
    for (const unsigned char *p = (const unsigned char *)s; *p; ++p) {
        if (*p == '"' || *p == '\\')
            Putf("\\%c", *p);
        else if (*p < 0x20 || *p >= 0x7F)
            Putf("\\u%04x", *p);
        else
            Putf("%c", *p);
    }
    Put("\"");
}

static void Key(const char *name)
{
    Putf(",\"%s\":", name);
}

static void KeyString(const char *name, const char *value)
{
    Key(name);
    PutString(value);
}

static void KeyInt(const char *name, long value)
{
    Key(name);
    Putf("%ld", value);
}

static void KeyBool(const char *name, int value)
{
    Key(name);
    Put(value ? "true" : "false");
}

static void KeyRect(const char *name, RECT r)
{
    Key(name);
    Putf("[%ld,%ld,%ld,%ld]", r.left, r.top, r.right, r.bottom);
}

static void Begin(const char *step)
{
    EnterCriticalSection(&g_lineLock);
    g_len = 0;
    g_line[0] = 0;
    Put("{\"step\":");
    PutString(step);
}

static void End(int ok)
{
    KeyBool("ok", ok);
    Put("}\n");
    fputs(g_line, g_out);
    fflush(g_out);
    LeaveCriticalSection(&g_lineLock);
}

/* ---- windows ----------------------------------------------------------- */

static int IsOurs(HWND w)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return g_proc.hProcess && pid == g_proc.dwProcessId;
}

/* Top-level windows in Z order, from the top: the order the launcher walks. */
static HWND FirstTopLevel(void)
{
    return GetWindow(GetDesktopWindow(), GW_CHILD);
}

/* The first visible top-level window of the started program that matches:
 * NULL takes any; "title=TEXT" wants that exact title; else a class name. */
static HWND FindOwnVisible(const char *match)
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

static int ProcessRunning(void)
{
    return g_proc.hProcess && WaitForSingleObject(g_proc.hProcess, 0) == WAIT_TIMEOUT;
}

static void PutWindowFields(HWND w)
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

/* ---- message box icon --------------------------------------------------- */

/* Icon handles are per process under Wine, so the box's STM_GETICON cannot be
 * compared with our own LoadIcon. Instead the icon static is read back from
 * the screen and compared with each stock icon drawn here the same size. */
static const struct { const char *name; LPCSTR id; } g_icons[] = {
    { "exclamation", (LPCSTR)IDI_EXCLAMATION },
    { "question", (LPCSTR)IDI_QUESTION },
    { "hand", (LPCSTR)IDI_HAND },
    { "asterisk", (LPCSTR)IDI_ASTERISK },
    { "application", (LPCSTR)IDI_APPLICATION },
};

static HWND FindIconStatic(HWND box)
{
    char cls[64];
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0
            && (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            return c;
    }
    return NULL;
}

/* The pixels of a w*h memory bitmap, top row first, as 0x00RRGGBB. */
static DWORD *Pixels(HDC dc, HBITMAP bmp, int w, int h)
{
    BITMAPINFO bi;
    DWORD *bits = malloc((size_t)w * h * sizeof *bits);
    memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    if (bits && !GetDIBits(dc, bmp, 0, h, bits, &bi, DIB_RGB_COLORS)) {
        free(bits);
        bits = NULL;
    }
    return bits;
}

/* Share of the pixels of the screen rectangle r that differ from the icon
 * drawn over the same face colour. */
static double IconDistance(HDC screen, RECT r, HICON icon)
{
    int w = r.right - r.left, h = r.bottom - r.top, differ = 0;
    if (w <= 0 || h <= 0)
        return 1.0;
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP shot = CreateCompatibleBitmap(screen, w, h);
    HBITMAP drawn = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, shot);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    /* The corners of the stock icons are transparent: take the face colour
     * from the screen so that only the icon's own pixels can differ. */
    HBRUSH face = CreateSolidBrush(GetPixel(mem, 0, 0));
    RECT all = { 0, 0, w, h };
    SelectObject(mem, drawn);
    FillRect(mem, &all, face);
    DeleteObject(face);
    DrawIconEx(mem, 0, 0, icon, w, h, 0, NULL, DI_NORMAL);
    SelectObject(mem, old);
    DWORD *a = Pixels(mem, shot, w, h), *b = Pixels(mem, drawn, w, h);
    if (a && b) {
        for (int i = 0; i < w * h; ++i)
            if ((a[i] ^ b[i]) & 0xFFFFFF)
                ++differ;
    } else {
        differ = w * h;
    }
    free(a);
    free(b);
    DeleteObject(shot);
    DeleteObject(drawn);
    DeleteDC(mem);
    return (double)differ / (w * h);
}

/* The box may not be painted yet when it first shows: retry until one stock
 * icon matches or the time is up. */
static const char *BoxIcon(HWND box, DWORD waitMs)
{
    HWND st = FindIconStatic(box);
    if (!st || !IsWindowVisible(st) || !SendMessageA(st, STM_GETICON, 0, 0))
        return "none";
    DWORD start = GetTickCount();
    for (;;) {
        RECT r;
        HDC screen = GetDC(NULL);
        const char *best = NULL;
        double bestDistance = 1.0;
        GetWindowRect(st, &r);
        for (size_t i = 0; i < sizeof g_icons / sizeof g_icons[0]; ++i) {
            double d = IconDistance(screen, r, LoadIconA(NULL, g_icons[i].id));
            if (d < bestDistance) {
                bestDistance = d;
                best = g_icons[i].name;
            }
        }
        ReleaseDC(NULL, screen);
        if (best && bestDistance < 0.02)
            return best;
        if (GetTickCount() - start > waitMs)
            return "unknown";
        Sleep(50);
    }
}

/* ---- steps --------------------------------------------------------------- */

typedef int (*StepFn)(char *arg);

static DWORD WaitArg(char **arg)
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

static int StepCmd(char *arg)
{
    lstrcpynA(g_cmd, arg, sizeof g_cmd);
    return 1; /* silent: the start step reports what it ran */
}

static int StepApp(char *arg)
{
    lstrcpynA(g_app, arg, sizeof g_app);
    return 1;
}

static int StepDir(char *arg)
{
    lstrcpynA(g_dir, arg, sizeof g_dir);
    return 1;
}

static int StepStart(char *arg)
{
    STARTUPINFOA si;
    char cmd[sizeof g_cmd];
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    lstrcpyA(cmd, g_cmd);
    BOOL ok = CreateProcessA(g_app[0] ? g_app : NULL, cmd, NULL, NULL, FALSE, 0, NULL,
                             g_dir[0] ? g_dir : NULL, &si, &g_proc);
    Begin("start");
    KeyString("cmd", g_cmd);
    if (ok) {
        KeyInt("pid", (long)g_proc.dwProcessId);
        CloseHandle(g_proc.hThread);
    } else {
        KeyInt("error", (long)GetLastError());
        memset(&g_proc, 0, sizeof g_proc);
    }
    End(ok);
    return ok;
}

/* Waits for a visible top-level window of the started program, matched as
 * FindOwnVisible does. Reports "timeout" or "exited" when none comes. */
static HWND AwaitOwnWindow(const char *step, const char *match, DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND w = FindOwnVisible(match);
        if (w)
            return w;
        if (!ProcessRunning()) {
            DWORD code = 0;
            if (g_proc.hProcess)
                GetExitCodeProcess(g_proc.hProcess, &code);
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

/* A message box's text (its static 0xFFFF), visible buttons (ids) and icon. */
static void PutBoxFields(HWND box)
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

static int StepExpectBox(char *arg)
{
    DWORD ms = WaitArg(&arg);
    HWND box = AwaitOwnWindow("expect-box", "#32770", ms);
    if (!box)
        return 0;
    g_current = box;
    const char *icon = BoxIcon(box, Scaled(2000));
    Begin("expect-box");
    PutWindowFields(box);
    PutBoxFields(box);
    KeyString("icon", icon);
    End(1);
    return 1;
}

static int StepExpectWindow(char *arg)
{
    DWORD ms = WaitArg(&arg);
    HWND w = AwaitOwnWindow("expect-window", *arg ? arg : NULL, ms);
    if (!w)
        return 0;
    g_current = w;
    Begin("expect-window");
    PutWindowFields(w);
    End(1);
    return 1;
}

static const struct { const char *name; int id; } g_ids[] = {
    { "IDOK", IDOK }, { "IDCANCEL", IDCANCEL }, { "IDABORT", IDABORT },
    { "IDRETRY", IDRETRY }, { "IDIGNORE", IDIGNORE }, { "IDYES", IDYES },
    { "IDNO", IDNO },
};

static int ParseId(const char *s)
{
    for (size_t i = 0; i < sizeof g_ids / sizeof g_ids[0]; ++i)
        if (lstrcmpiA(s, g_ids[i].name) == 0)
            return g_ids[i].id;
    return (int)strtol(s, NULL, 0);
}

/* Answers the current dialog as a click on button ID would, then waits for
 * the dialog to go away. */
static int StepAnswer(char *arg)
{
    int id = ParseId(arg);
    HWND box = g_current;
    Begin("answer");
    KeyInt("id", id);
    if (!box || !IsWindow(box)) {
        KeyString("error", "no window");
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
    g_current = NULL;
    End(1);
    return 1;
}

/* Clicks a child control of the current window, as BM_CLICK does. */
static int StepClick(char *arg)
{
    int id = ParseId(arg);
    HWND c = g_current ? GetDlgItem(g_current, id) : NULL;
    Begin("click");
    KeyInt("id", id);
    if (!c) {
        KeyString("error", "no control");
        End(0);
        return 0;
    }
    PostMessageA(c, BM_CLICK, 0, 0);
    End(1);
    return 1;
}

static int StepChildren(char *arg)
{
    char cls[256], text[1024];
    if (!g_current || !IsWindow(g_current)) {
        Begin("children");
        KeyString("error", "no window");
        End(0);
        return 0;
    }
    Begin("children");
    Key("children");
    Put("[");
    int first = 1;
    for (HWND c = GetWindow(g_current, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT r;
        GetClassNameA(c, cls, sizeof cls);
        GetWindowTextA(c, text, sizeof text);
        GetWindowRect(c, &r);
        MapWindowPoints(NULL, g_current, (POINT *)&r, 2); /* client coordinates */
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

#define STEADY_MS 500

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
        int ended = WaitForSingleObject(g_proc.hProcess, POLL_MS) == WAIT_OBJECT_0;
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
static int StepWaitExit(char *arg)
{
    DWORD ms = WaitArg(&arg);
    Outcome o;
    if (!g_proc.hProcess)
        return NotStarted("wait-exit");
    AwaitOutcome(ms, &o);
    Begin("wait-exit");
    if (o.ended) {
        DWORD code = 0;
        GetExitCodeProcess(g_proc.hProcess, &code);
        KeyInt("code", (long)code);
        KeyInt("ms", (long)o.ms);
    } else if (o.shown) {
        char text[2048] = "";
        HWND label = GetDlgItem(o.shown, 0xFFFF);
        if (label)
            GetWindowTextA(label, text, sizeof text);
        g_current = o.shown;
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
static int StepFollow(char *arg)
{
    DWORD ms = WaitArg(&arg);
    Outcome o;
    if (!g_proc.hProcess)
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
        GetExitCodeProcess(g_proc.hProcess, &code);
        KeyInt("code", (long)code);
    } else if (o.shown) {
        g_current = o.shown;
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

static int StepKill(char *arg)
{
    Begin("kill");
    KeyBool("was_running", ProcessRunning());
    if (ProcessRunning()) {
        TerminateProcess(g_proc.hProcess, 9);
        WaitForSingleObject(g_proc.hProcess, Scaled(DEFAULT_WAIT));
    }
    End(1);
    return 1;
}

static int StepListWindows(char *arg)
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
static int StepFindTitle(char *arg)
{
    char text[1024];
    int z = 0, zVisible = 0;
    for (HWND w = FirstTopLevel(); w; w = GetWindow(w, GW_HWNDNEXT), ++z) {
        GetWindowTextA(w, text, sizeof text);
        if (lstrcmpA(text, arg) == 0) {
            g_current = w;
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

/* The centre of the current window's child ID in screen coordinates. */
static int ChildCentre(const char *step, int id, POINT *p)
{
    HWND c = g_current && IsWindow(g_current) ? GetDlgItem(g_current, id) : NULL;
    RECT r;
    if (!c || !GetWindowRect(c, &r)) {
        Begin(step);
        KeyInt("id", id);
        KeyString("error", "no control");
        End(0);
        return 0;
    }
    p->x = (r.left + r.right) / 2;
    p->y = (r.top + r.bottom) / 2;
    return 1;
}

static void MouseButton(DWORD down, DWORD up)
{
    INPUT in[2];
    memset(in, 0, sizeof in);
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = down;
    in[1].mi.dwFlags = up;
    SendInput(2, in, sizeof in[0]);
}

/* Moves the pointer over child ID, as a user's hover would. */
/* Moves the pointer and sees that it stays. Under a slow Wine a move can be
 * undone a moment later by a process that reads the X pointer before the
 * warp reached it; the move is made again until it holds. */
static BOOL MovePointer(int x, int y)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!SetCursorPos(x, y))
            return FALSE;
        DWORD start = GetTickCount();
        POINT p;
        do {
            Sleep(POLL_MS);
            if (!GetCursorPos(&p) || p.x != x || p.y != y)
                break;
        } while (GetTickCount() - start < Scaled(100));
        if (p.x == x && p.y == y)
            return TRUE;
    }
    return FALSE;
}

static int StepHover(char *arg)
{
    POINT p;
    int id = ParseId(arg);
    if (!ChildCentre("hover", id, &p))
        return 0;
    BOOL ok = MovePointer(p.x, p.y);
    Begin("hover");
    KeyInt("id", id);
    KeyInt("x", p.x);
    KeyInt("y", p.y);
    End(ok);
    return ok;
}

/* A real left click in the middle of child ID: the control sees the pointer
 * arrive and the button go down and up, unlike with BM_CLICK. */
static int StepPress(char *arg)
{
    POINT p;
    int id = ParseId(arg);
    if (!ChildCentre("press", id, &p))
        return 0;
    SetForegroundWindow(g_current);
    BOOL ok = MovePointer(p.x, p.y);
    Sleep(Scaled(50));
    MouseButton(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    Begin("press");
    KeyInt("id", id);
    KeyInt("x", p.x);
    KeyInt("y", p.y);
    End(ok);
    return ok;
}

static int StepMouseClick(char *arg)
{
    long x = 0, y = 0;
    sscanf(arg, "%ld %ld", &x, &y);
    BOOL ok = MovePointer(x, y);
    Sleep(Scaled(50));
    MouseButton(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    Begin("mouse-click");
    KeyInt("x", x);
    KeyInt("y", y);
    End(ok);
    return ok;
}

static const struct { const char *name; WORD vk; } g_keys[] = {
    { "RETURN", VK_RETURN }, { "ESCAPE", VK_ESCAPE }, { "SPACE", VK_SPACE },
    { "TAB", VK_TAB }, { "LEFT", VK_LEFT }, { "RIGHT", VK_RIGHT }, { "UP", VK_UP },
    { "DOWN", VK_DOWN }, { "F1", VK_F1 }, { "MENU", VK_MENU }, { "SHIFT", VK_SHIFT },
};

/* Keys to the current window, made the foreground one first: "key RETURN",
 * "key SHIFT+TAB", "key x", or a virtual-key number. */
static int StepKey(char *arg)
{
    INPUT in[8];
    WORD held[4];
    int n = 0, nHeld = 0;
    char keys[64];
    lstrcpynA(keys, arg, sizeof keys);
    memset(in, 0, sizeof in);
    for (char *k = strtok(keys, "+"); k && nHeld < 4; k = strtok(NULL, "+")) {
        WORD vk = 0;
        for (size_t i = 0; i < sizeof g_keys / sizeof g_keys[0]; ++i)
            if (lstrcmpiA(k, g_keys[i].name) == 0)
                vk = g_keys[i].vk;
        if (!vk)
            vk = k[1] ? (WORD)strtoul(k, NULL, 0) : (WORD)(VkKeyScanA(k[0]) & 0xFF);
        held[nHeld++] = vk;
    }
    for (int i = 0; i < nHeld; ++i, ++n) {
        in[n].type = INPUT_KEYBOARD;
        in[n].ki.wVk = held[i];
    }
    for (int i = nHeld - 1; i >= 0; --i, ++n) {
        in[n].type = INPUT_KEYBOARD;
        in[n].ki.wVk = held[i];
        in[n].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    if (g_current && IsWindow(g_current))
        SetForegroundWindow(g_current);
    Sleep(Scaled(50));
    UINT sent = SendInput(n, in, sizeof in[0]);
    Begin("key");
    KeyString("keys", arg);
    End(sent == (UINT)n);
    return sent == (UINT)n;
}

/* Asks the current window to close, as its close box does. */
static int StepClose(char *arg)
{
    Begin("close");
    if (!g_current || !IsWindow(g_current)) {
        KeyString("error", "no window");
        End(0);
        return 0;
    }
    PostMessageA(g_current, WM_SYSCOMMAND, SC_CLOSE, 0);
    End(1);
    return 1;
}

/* The child of the current window that has the keyboard focus: its id, or
 * 0 when the focus is elsewhere. Focus is per thread, so it is read through
 * the window's thread. */
static int StepFocus(char *arg)
{
    GUITHREADINFO gui;
    memset(&gui, 0, sizeof gui);
    gui.cbSize = sizeof gui;
    Begin("focus");
    if (!g_current || !IsWindow(g_current)
        || !GetGUIThreadInfo(GetWindowThreadProcessId(g_current, NULL), &gui)) {
        KeyString("error", "no window");
        End(0);
        return 0;
    }
    HWND f = gui.hwndFocus;
    KeyInt("id", f && GetParent(f) == g_current ? GetDlgCtrlID(f) : 0);
    KeyBool("active", gui.hwndActive == g_current);
    End(1);
    return 1;
}

/* The left mouse button alone, down or up where the pointer is: a face can
 * be looked at while the button is held. */
static int StepMouse(char *arg)
{
    int down = lstrcmpiA(arg, "down") == 0;
    INPUT in;
    memset(&in, 0, sizeof in);
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    if (down && g_current && IsWindow(g_current))
        SetForegroundWindow(g_current);
    UINT sent = SendInput(1, &in, sizeof in);
    Begin("mouse");
    KeyString("button", down ? "down" : "up");
    End(sent == 1);
    return sent == 1;
}

/* Waits until the current window is gone or hidden. */
static int StepWaitGone(char *arg)
{
    DWORD ms = WaitArg(&arg), start = GetTickCount();
    while (g_current && IsWindow(g_current) && IsWindowVisible(g_current)) {
        if (GetTickCount() - start > ms) {
            Begin("wait-gone");
            KeyString("error", "timeout");
            End(0);
            return 0;
        }
        Sleep(POLL_MS);
    }
    g_current = NULL;
    Begin("wait-gone");
    End(1);
    return 1;
}

static int StepCursor(char *arg)
{
    long x = 0, y = 0;
    sscanf(arg, "%ld %ld", &x, &y);
    BOOL ok = MovePointer(x, y);
    Begin("cursor");
    KeyInt("x", x);
    KeyInt("y", y);
    End(ok);
    return ok;
}

/* Opens a file for reading with no sharing, as a check that no process
 * holds it open, and closes it again. */
static int StepOpenAlone(char *arg)
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

/* Where the pointer is, and the window under it. */
static int StepPointer(char *arg)
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
    long x = 0, y = 0;
    sscanf(arg, "%ld %ld", &x, &y);
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

static int StepPixel(char *arg)
{
    return PixelOf("pixel", NULL, arg);
}

static int StepWindowPixel(char *arg)
{
    if (!g_current || !IsWindow(g_current)) {
        Begin("window-pixel");
        KeyString("error", "no window");
        End(0);
        return 0;
    }
    return PixelOf("window-pixel", g_current, arg);
}

static int StepSleep(char *arg)
{
    Sleep(Scaled(strtoul(arg, NULL, 10)));
    return 1;
}

static int StepEcho(char *arg)
{
    Begin("echo");
    KeyString("text", arg);
    End(1);
    return 1;
}

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

/* A failed step leaves the started program in an unknown state: say which
 * windows it shows, then end it so nothing is left behind. */
static void Abandon(void)
{
    if (!ProcessRunning())
        return;
    for (HWND w = FirstTopLevel(); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (IsOurs(w) && IsWindowVisible(w)) {
            Begin("left-window");
            PutWindowFields(w);
            End(1);
        }
    }
    StepKill("");
}

static void KillImages(void)
{
    if (!g_killCount)
        return;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe;
    pe.dwSize = sizeof pe;
    for (BOOL more = Process32First(snap, &pe); more; more = Process32Next(snap, &pe)) {
        for (int i = 0; i < g_killCount; ++i) {
            if (lstrcmpiA(pe.szExeFile, g_kill[i]) != 0)
                continue;
            HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pe.th32ProcessID);
            if (p) {
                TerminateProcess(p, 9);
                WaitForSingleObject(p, Scaled(DEFAULT_WAIT));
                CloseHandle(p);
                Begin("killed-leftover");
                KeyString("image", pe.szExeFile);
                KeyInt("pid", (long)pe.th32ProcessID);
                End(1);
            }
        }
    }
    CloseHandle(snap);
}

static DWORD WINAPI Watchdog(LPVOID ms)
{
    Sleep((DWORD)(ULONG_PTR)ms);
    Begin("watchdog");
    End(0);
    if (ProcessRunning())
        TerminateProcess(g_proc.hProcess, 9);
    KillImages();
    ExitProcess(3);
}

int main(int argc, char **argv)
{
    const char *script = NULL;
    int first = 1;
    InitializeCriticalSection(&g_lineLock);
    g_out = stdout;
    while (first + 1 < argc && argv[first][0] == '-') {
        if (strcmp(argv[first], "-o") == 0) {
            g_out = fopen(argv[first + 1], "w");
            if (!g_out)
                return 2;
        } else if (strcmp(argv[first], "-t") == 0) {
            DWORD ms = Scaled(strtoul(argv[first + 1], NULL, 10));
            CloseHandle(CreateThread(NULL, 0, Watchdog, (LPVOID)(ULONG_PTR)ms, 0, NULL));
        } else if (strcmp(argv[first], "-x") == 0) {
            g_slowness = atof(argv[first + 1]);
            if (!(g_slowness >= 1.0))
                g_slowness = 1.0;
        } else if (strcmp(argv[first], "-k") == 0) {
            if (g_killCount < (int)(sizeof g_kill / sizeof g_kill[0]))
                g_kill[g_killCount++] = argv[first + 1];
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
        while (ok && fgets(line, sizeof line, f))
            ok = RunStep(line);
        if (f != stdin)
            fclose(f);
    } else {
        for (int i = first; ok && i < argc; ++i)
            ok = RunStep(argv[i]);
    }
    if (!ok)
        Abandon();
    KillImages();
    Begin("done");
    End(ok);
    if (g_out != stdout)
        fclose(g_out);
    return ok ? 0 : 1;
}
