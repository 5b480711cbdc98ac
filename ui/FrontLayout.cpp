#include "ui/FrontLayout.h"

#include "app/SetupApp.h"

namespace {

const LONG kMargin = 10;

void Place(ButtonPlacement& placement, int nSlot, LONG x, LONG y, SIZE face) {
    placement.bShown[nSlot] = true;
    RECT& rc = placement.rc[nSlot];
    rc.left = x;
    rc.top = y;
    rc.right = x + face.cx;
    rc.bottom = y + face.cy;
}

}  // namespace

ButtonPlacement PlaceFrontButtons(LONG cxClient, LONG cyClient, SIZE face, bool bInstalled) {
    ButtonPlacement placement = {};
    LONG y = cyClient - face.cy - kMargin;
    Place(placement, IDC_EXIT - IDC_RUN, cxClient - face.cx - kMargin, y, face);
    if (bInstalled) {
        Place(placement, IDC_RUN - IDC_RUN, kMargin, y, face);
        Place(placement, IDC_SETUP_AGAIN - IDC_RUN, cxClient - 2 * face.cx - 2 * kMargin, y, face);
    } else {
        Place(placement, IDC_INSTALL - IDC_RUN, kMargin, y, face);
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
