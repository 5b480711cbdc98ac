#include "ui/ButtonFace.h"

SIZE GetFaceSize(const RECT& strip, UINT nRows) {
    SIZE face;
    face.cx = (strip.right - strip.left) / kFaceColumns;
    face.cy = (LONG)((UINT)(strip.bottom - strip.top) / nRows);
    return face;
}

RECT GetFaceRect(SIZE face, int nColumn, int nRow) {
    RECT rc;
    rc.left = nColumn * face.cx;
    rc.top = nRow * face.cy;
    rc.right = rc.left + face.cx;
    rc.bottom = rc.top + face.cy;
    return rc;
}

FaceColumn ChooseFaceColumn(UINT nItemState, bool bHover) {
    bool bFocus = (nItemState & ODS_FOCUS) != 0;
    if (nItemState & ODS_SELECTED) return FacePressed;
    if (bHover) return bFocus ? FaceHoverFocus : FaceHover;
    return bFocus ? FaceFocus : FaceNormal;
}
