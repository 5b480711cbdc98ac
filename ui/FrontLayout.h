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

// The front window's results, beside IDCANCEL.
#define IDRUNPRODUCT 1000
#define IDRUNSETUP 1001

struct ButtonPlacement {
    bool bShown[kFrontButtons];
    RECT rc[kFrontButtons];  // client coordinates, where shown
};

// The whole number by which the front window grows on a screen of nDpi
// pixels an inch: 1 up to 191, 2 from 192. Fractions would blur the art.
LONG FrontScale(int nDpi);

// Buttons along the bottom edge, 10 pixels in from the edges: run and setup
// again for an installed product, install otherwise, exit always. The face
// and the margins grow by nScale; cxClient and cyClient are already grown.
// Nothing is clamped: a client area too small for them gives overlapping
// buttons.
ButtonPlacement PlaceFrontButtons(LONG cxClient, LONG cyClient, SIZE face, bool bInstalled,
                                  LONG nScale);

// The modal result of a WM_COMMAND word parameter: IDRUNPRODUCT, IDRUNSETUP
// or IDCANCEL for a click of one of the buttons, 0 for anything else. The
// whole word is compared, so other notifications never match.
int FrontCommandResult(WPARAM wParam);
