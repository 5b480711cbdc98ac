#include "box_icon.h"

#include <stdlib.h>
#include <string.h>

#include "driver_state.h"

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

/* A box wider than the screen may stand partly off it (Wine 10 places one so),
 * where its pixels cannot be read back: moves the box so that the icon shows,
 * and says whether it did. */
static BOOL BringIconIntoView(HWND box, HWND st, RECT *was)
{
    RECT r;
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN), dx = 0, dy = 0;
    GetWindowRect(st, &r);
    GetWindowRect(box, was);
    if (r.left < 0)
        dx = -r.left;
    else if (r.right > cx)
        dx = cx - r.right;
    if (r.top < 0)
        dy = -r.top;
    else if (r.bottom > cy)
        dy = cy - r.bottom;
    if (!dx && !dy)
        return FALSE;
    return SetWindowPos(box, NULL, was->left + dx, was->top + dy, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

/* The box may not be painted yet when it first shows: retry until one stock
 * icon matches or the time is up. */
static const char *ReadIcon(HWND st, DWORD waitMs)
{
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

/* The box is put back where it was, for the steps that report its place. */
const char *BoxIcon(HWND box, DWORD waitMs)
{
    HWND st = FindIconStatic(box);
    DWORD_PTR shown = 0;
    if (!st || !IsWindowVisible(st))
        return "none";
    /* a hung box must not hang the step that looks at it */
    if (!SendMessageTimeoutA(st, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, Scaled(RESPONSE_MS), &shown))
        return "unknown";
    if (!shown)
        return "none";
    RECT was;
    BOOL moved = BringIconIntoView(box, st, &was);
    const char *icon = ReadIcon(st, waitMs);
    if (moved)
        SetWindowPos(box, NULL, was.left, was.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return icon;
}
