/* Input steps: the pointer, the mouse button and keys, as a user gives them. */
#include "steps.h"

#include <stdlib.h>
#include <string.h>

#include "driver_state.h"
#include "report.h"
#include "step_args.h"

/* The centre of the current window's child ID in screen coordinates. */
static int ChildCentre(const char *step, int id, POINT *p)
{
    HWND w = CurrentWindow();
    HWND c = w && IsWindow(w) ? GetDlgItem(w, id) : NULL;
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

/* The record of a step at child ID's centre P. */
static int PointReport(const char *step, int id, POINT p, BOOL ok)
{
    Begin(step);
    KeyInt("id", id);
    KeyInt("x", p.x);
    KeyInt("y", p.y);
    End(ok);
    return ok;
}

/* Moves the pointer over child ID, as a user's hover would. */
int StepHover(char *arg)
{
    POINT p;
    int id = ParseId(arg);
    if (!ChildCentre("hover", id, &p))
        return 0;
    return PointReport("hover", id, p, MovePointer(p.x, p.y));
}

/* A real left click in the middle of child ID: the control sees the pointer
 * arrive and the button go down and up, unlike with BM_CLICK. */
int StepPress(char *arg)
{
    POINT p;
    int id = ParseId(arg);
    if (!ChildCentre("press", id, &p))
        return 0;
    SetForegroundWindow(CurrentWindow());
    BOOL ok = MovePointer(p.x, p.y);
    Sleep(Scaled(50));
    MouseButton(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    return PointReport("press", id, p, ok);
}

int StepMouseClick(char *arg)
{
    long x, y;
    if (!ParsePoint("mouse-click", arg, &x, &y))
        return 0;
    BOOL ok = MovePointer(x, y);
    Sleep(Scaled(50));
    MouseButton(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    Begin("mouse-click");
    KeyInt("x", x);
    KeyInt("y", y);
    End(ok);
    return ok;
}

/* The left mouse button alone, down or up where the pointer is: a face can
 * be looked at while the button is held. */
int StepMouse(char *arg)
{
    int down = lstrcmpiA(arg, "down") == 0;
    INPUT in;
    memset(&in, 0, sizeof in);
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    HWND w = CurrentWindow();
    if (down && w && IsWindow(w))
        SetForegroundWindow(w);
    UINT sent = SendInput(1, &in, sizeof in);
    Begin("mouse");
    KeyString("button", down ? "down" : "up");
    End(sent == 1);
    return sent == 1;
}

int StepCursor(char *arg)
{
    long x, y;
    if (!ParsePoint("cursor", arg, &x, &y))
        return 0;
    BOOL ok = MovePointer(x, y);
    Begin("cursor");
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

/* A key by name, a character on the keyboard or a virtual-key number; 0
 * when it is none of these, so that a misspelt key is not sent as key 0. */
static WORD KeyCode(const char *k)
{
    for (size_t i = 0; i < sizeof g_keys / sizeof g_keys[0]; ++i)
        if (lstrcmpiA(k, g_keys[i].name) == 0)
            return g_keys[i].vk;
    if (!k[1]) {
        SHORT scan = VkKeyScanA(k[0]);
        return scan == -1 ? 0 : (WORD)(scan & 0xFF);
    }
    char *end;
    unsigned long vk = strtoul(k, &end, 0);
    return *end || vk > 0xFE ? 0 : (WORD)vk;
}

/* Keys to the current window, made the foreground one first: "key RETURN",
 * "key SHIFT+TAB", "key x", or a virtual-key number. Keys it cannot send
 * as written fail the step. */
int StepKey(char *arg)
{
    INPUT in[8];
    WORD held[4];
    int n = 0, nHeld = 0;
    char keys[64];
    int bad = strlen(arg) >= sizeof keys;
    lstrcpynA(keys, arg, sizeof keys);
    memset(in, 0, sizeof in);
    for (char *k = strtok(keys, "+"); k && !bad; k = strtok(NULL, "+")) {
        WORD vk = KeyCode(k);
        if (!vk || nHeld == 4)
            bad = 1;
        else
            held[nHeld++] = vk;
    }
    if (bad || !nHeld) {
        Begin("key");
        KeyString("keys", arg);
        KeyString("error", "bad keys");
        End(0);
        return 0;
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
    HWND w = CurrentWindow();
    if (w && IsWindow(w))
        SetForegroundWindow(w);
    Sleep(Scaled(50));
    UINT sent = SendInput(n, in, sizeof in[0]);
    Begin("key");
    KeyString("keys", arg);
    End(sent == (UINT)n);
    return sent == (UINT)n;
}
