// CImageButton: an owner-drawn push button that draws itself from its row of
// a strip of faces and tracks the pointer to show a hover face.
#pragma once

#include "framework/win32/Wnd.h"
#include "ui/win32/Dib.h"

class CImageButton : public CButton {
public:
    // The strip is not owned; it must outlive the button's window.
    BOOL SetStrip(const CDib* pStrip, int nRow, UINT nRows);
    // Faces drawn nScale times their size in the strip; 1 at construction.
    void SetScale(LONG nScale) { m_nScale = nScale; }
    // The strip's face, not grown by the scale. Only with a strip and at
    // least one row set.
    SIZE GetFaceSize() const;

    void DrawItem(DRAWITEMSTRUCT* pDrawItem) override;

protected:
    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override;

private:
    void UpdateHover();

    BOOL m_bHover = FALSE;
    const CDib* m_pStrip = nullptr;
    int m_nRow = 0;
    UINT m_nRows = 0;
    LONG m_nScale = 1;
};
