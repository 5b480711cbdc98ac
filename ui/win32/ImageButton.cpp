#include "ui/win32/ImageButton.h"

#include "ui/ButtonFace.h"

namespace {

// Mouse moves stop when the pointer leaves; a tick notices that it has.
// Windows 95 has no TrackMouseEvent, so polling is the way to see it go.
const UINT_PTR kHoverTimer = 1;
const UINT kHoverTimerMs = 100;

}  // namespace

BOOL CImageButton::SetStrip(const CDib* pStrip, int nRow, UINT nRows) {
    m_pStrip = pStrip;
    m_nRow = nRow;
    m_nRows = nRows;
    return TRUE;
}

SIZE CImageButton::GetFaceSize() const {
    RECT rcStrip;
    m_pStrip->GetBounds(&rcStrip);
    return ::GetFaceSize(rcStrip, m_nRows);
}

void CImageButton::DrawItem(DRAWITEMSTRUCT* pDrawItem) {
    if (!m_pStrip || !m_nRows) return;
    SIZE face = GetFaceSize();
    RECT rcFace = GetFaceRect(face, ChooseFaceColumn(pDrawItem->itemState, m_bHover != FALSE), m_nRow);
    RECT rcDest = {0, 0, face.cx * m_nScale, face.cy * m_nScale};
    m_pStrip->Draw(pDrawItem->hDC, &rcDest, rcFace.left, rcFace.top, m_nScale);
}

LRESULT CImageButton::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) {
    switch (nMsg) {
    case WM_MOUSEMOVE:
    case WM_TIMER:
        UpdateHover();
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        LRESULT nResult = Default(nMsg, wParam, lParam);
        InvalidateRect(m_hWnd, nullptr, TRUE);
        return nResult;
    }
    }
    return Default(nMsg, wParam, lParam);
}

void CImageButton::UpdateHover() {
    RECT rcWindow;
    POINT pt;
    GetWindowRect(m_hWnd, &rcWindow);
    GetCursorPos(&pt);
    BOOL bInside = PtInRect(&rcWindow, pt);
    if (bInside != m_bHover) {
        m_bHover = bInside;
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }
    // Ticks only while the pointer is over the button: idle otherwise.
    if (m_bHover)
        SetTimer(m_hWnd, kHoverTimer, kHoverTimerMs, nullptr);
    else
        KillTimer(m_hWnd, kHoverTimer);
}
