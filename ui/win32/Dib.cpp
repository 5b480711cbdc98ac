#include "ui/win32/Dib.h"

CPalette g_dibPalette;

BOOL CDib::LoadFromFile(const char* pszPath) {
    HANDLE hFile = CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return FALSE;

    // Two reads: the file header says how much follows. Bytes a short file
    // lacks stay zero; nothing beyond the block is ever looked at.
    BYTE header[kDibFileHeaderSize] = {};
    DWORD cbRead;
    ReadFile(hFile, header, sizeof header, &cbRead, nullptr);
    DWORD cbPacked = PackedDibSize(header);
    BYTE* pPacked = cbPacked ? (BYTE*)LocalAlloc(LPTR, cbPacked) : nullptr;
    if (pPacked) ReadFile(hFile, pPacked, cbPacked, &cbRead, nullptr);
    CloseHandle(hFile);
    if (!pPacked) return FALSE;

    DibLayout layout;
    int nMade = LocatePackedDib(pPacked, cbPacked, &layout) ? CreateFromPackedDib(pPacked, layout) : 0;
    LocalFree(pPacked);
    return nMade == 1 && m_hObject;
}

int CDib::CreateFromPackedDib(const BYTE* pPacked, const DibLayout& layout) {
    DeleteObject();
    if (!g_dibPalette.m_hObject) {
        BYTE* pLogPalette = (BYTE*)LocalAlloc(LPTR, LogPaletteSize(layout.nColors));
        if (!pLogPalette) return -1;
        FillLogPalette(pPacked + kDibInfoHeaderSize, layout.nColors, pLogPalette);
        g_dibPalette.Attach(CreatePalette((LOGPALETTE*)pLogPalette));
        LocalFree(pLogPalette);
        if (!g_dibPalette.m_hObject) return 0;
    }
    // Made on the screen with the palette realised, so that on a palette
    // display the pixels map to the shared colours.
    HWND hDesktop = GetDesktopWindow();
    HDC hScreen = GetDC(hDesktop);
    SelectPalette(hScreen, g_dibPalette, FALSE);
    RealizePalette(hScreen);
    m_hObject = CreateDIBitmap(hScreen, (const BITMAPINFOHEADER*)pPacked, CBM_INIT,
                               pPacked + layout.cbBitsOffset, (const BITMAPINFO*)pPacked,
                               DIB_RGB_COLORS);
    ReleaseDC(hDesktop, hScreen);
    return 1;
}

void CDib::GetBounds(RECT* pRect) const {
    BITMAP bm = {};
    if (m_hObject) GetObjectA(m_hObject, sizeof bm, &bm);
    SetRect(pRect, 0, 0, bm.bmWidth, bm.bmHeight);
}

void CDib::Draw(HDC hDC, const RECT* pDest, int xSrc, int ySrc, LONG nScale) const {
    if (!m_hObject) return;
    SelectPalette(hDC, g_dibPalette, FALSE);
    RealizePalette(hDC);
    HDC hMemDC = CreateCompatibleDC(hDC);
    HGDIOBJ hOldBitmap = SelectObject(hMemDC, m_hObject);
    SelectPalette(hMemDC, g_dibPalette, FALSE);
    RealizePalette(hMemDC);
    RECT rcBounds;
    if (!pDest) {
        GetBounds(&rcBounds);
        rcBounds.right *= nScale;
        rcBounds.bottom *= nScale;
        pDest = &rcBounds;
    }
    LONG cx = pDest->right - pDest->left, cy = pDest->bottom - pDest->top;
    if (nScale == 1) {
        BitBlt(hDC, pDest->left, pDest->top, cx, cy, hMemDC, xSrc, ySrc, SRCCOPY);
    } else {
        // Whole rows and columns repeated, never blended: the art stays sharp.
        int nOldMode = SetStretchBltMode(hDC, COLORONCOLOR);
        StretchBlt(hDC, pDest->left, pDest->top, cx, cy, hMemDC, xSrc, ySrc, cx / nScale, cy / nScale,
                   SRCCOPY);
        SetStretchBltMode(hDC, nOldMode);
    }
    SelectObject(hMemDC, hOldBitmap);
    DeleteDC(hMemDC);
}

BOOL RealizeDibPalette(HWND hWnd) {
    if (!hWnd) hWnd = GetDesktopWindow();
    HDC hDC = GetDC(hWnd);
    HPALETTE hOldPalette = SelectPalette(hDC, g_dibPalette, FALSE);
    if (RealizePalette(hDC)) InvalidateRect(hWnd, nullptr, TRUE);
    if (hOldPalette) {
        SelectPalette(hDC, hOldPalette, TRUE);
        RealizePalette(hDC);
    }
    ReleaseDC(hWnd, hDC);
    return TRUE;
}

void OnDibPaletteChanged(HWND hChanger, HWND hWnd) {
    if (hChanger != hWnd) RealizeDibPalette(hWnd);
}
