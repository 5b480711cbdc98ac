// CDib: a bitmap file from the disc, held as a device-dependent bitmap made
// through the one palette that all the launcher's bitmaps share.
#pragma once

#include "framework/win32/Gdi.h"
#include "ui/PackedDib.h"

class CDib : public CBitmap {
public:
    // FALSE when the file cannot be opened, is not a bitmap that the loader
    // can honour, or no bitmap could be made of it. A file that cannot be
    // opened or read as a bitmap leaves the bitmap held before.
    BOOL LoadFromFile(const char* pszPath);
    // The bitmap of a checked packed bitmap; -1 when memory for the palette
    // description is short, 0 when the shared palette cannot be made, else 1.
    int CreateFromPackedDib(const BYTE* pPacked, const DibLayout& layout);

    // (0, 0, width, height); an empty CDib is 0 x 0.
    void GetBounds(RECT* pRect) const;
    // The whole bitmap at the origin when pDest is null; an empty CDib draws
    // nothing. With nScale above 1 every source pixel becomes an nScale x
    // nScale block, unsmoothed; pDest is then in the grown pixels.
    void Draw(HDC hDC, const RECT* pDest, int xSrc, int ySrc, LONG nScale = 1) const;
};

// Made once, from the colour table of the first bitmap loaded.
extern CPalette g_dibPalette;

// For WM_QUERYNEWPALETTE: realises the shared palette for the window (the
// desktop when null) and repaints it when that changed the system palette.
BOOL RealizeDibPalette(HWND hWnd);
// For WM_PALETTECHANGED: realises it again unless the window made the change.
void OnDibPaletteChanged(HWND hChanger, HWND hWnd);
