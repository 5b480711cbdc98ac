#include "ui/FrontLayout.h"

namespace {

const LONG kMargin = 10;
const int kBaseDpi = 96;

void Place(ButtonPlacement& placement, int nSlot, LONG x, LONG y, SIZE face) {
    placement.bShown[nSlot] = true;
    RECT& rc = placement.rc[nSlot];
    rc.left = x;
    rc.top = y;
    rc.right = x + face.cx;
    rc.bottom = y + face.cy;
}

}  // namespace

LONG FrontScale(int nDpi) { return nDpi < 2 * kBaseDpi ? 1 : nDpi / kBaseDpi; }

ButtonPlacement PlaceFrontButtons(LONG cxClient, LONG cyClient, SIZE face, bool bInstalled,
                                  LONG nScale) {
    ButtonPlacement placement = {};
    face.cx *= nScale;
    face.cy *= nScale;
    LONG margin = kMargin * nScale;
    LONG y = cyClient - face.cy - margin;
    Place(placement, IDC_EXIT - IDC_RUN, cxClient - face.cx - margin, y, face);
    if (bInstalled) {
        Place(placement, IDC_RUN - IDC_RUN, margin, y, face);
        Place(placement, IDC_SETUP_AGAIN - IDC_RUN, cxClient - 2 * face.cx - 2 * margin, y, face);
    } else {
        Place(placement, IDC_INSTALL - IDC_RUN, margin, y, face);
    }
    return placement;
}

int FrontCommandResult(WPARAM wParam) {
    switch (wParam) {
    case IDC_RUN:
        return IDRUNPRODUCT;
    case IDC_SETUP_AGAIN:
    case IDC_INSTALL:
        return IDRUNSETUP;
    case IDC_EXIT:
        return IDCANCEL;
    }
    return 0;
}
