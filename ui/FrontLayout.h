// The front window's buttons: where they go and what clicking them gives.
#pragma once

#include "platform/Graphics.h"

// Button slot i has control id 100 + i and shows row i of the strip.
enum {
    IDC_RUN = 100,
    IDC_SETUP_AGAIN = 101,
    IDC_INSTALL = 102,
    IDC_EXIT = 103,
};
const int kFrontButtons = 4;

struct ButtonPlacement {
    bool bShown[kFrontButtons];
    RECT rc[kFrontButtons];  // client coordinates, where shown
};

// Buttons along the bottom edge, 10 pixels in from the edges: run and setup
// again for an installed product, install otherwise, exit always. Nothing is
// clamped: a client area too small for them gives overlapping buttons.
ButtonPlacement PlaceFrontButtons(LONG cxClient, LONG cyClient, SIZE face, bool bInstalled);

// The modal result of a WM_COMMAND word parameter: IDRUNPRODUCT, IDRUNSETUP
// or IDCANCEL for a click of one of the buttons, 0 for anything else. The
// whole word is compared, so other notifications never match.
int FrontCommandResult(WPARAM wParam);
