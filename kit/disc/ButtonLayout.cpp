#include "kit/disc/ButtonLayout.h"

#include <cstdio>

#include "ui/ButtonFace.h"
#include "ui/FrontLayout.h"

namespace {

// One row of faces per button, as the front window gives its buttons the strip.
const UINT kStripRows = kFrontButtons;
const char* const kButtonNames[kFrontButtons] = {"run", "setup again", "install", "exit"};

std::string RectText(const RECT& rc) {
    char sz[80];
    snprintf(sz, sizeof sz, "(%d,%d)-(%d,%d)", (int)rc.left, (int)rc.top, (int)rc.right, (int)rc.bottom);
    return sz;
}

bool Overlap(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

SIZE StripFaceSize(const DiscBitmap& strip) {
    RECT bounds = {0, 0, strip.width, strip.height};
    return GetFaceSize(bounds, kStripRows);
}

std::vector<std::string> LayoutProblems(LONG cxClient, LONG cyClient, SIZE face) {
    std::vector<std::string> problems;
    for (bool bInstalled : {true, false}) {
        // At 96 DPI: a grown window grows every place alike, so has the same problems.
        ButtonPlacement p = PlaceFrontButtons(cxClient, cyClient, face, bInstalled, 1);
        std::string when = bInstalled ? "when the product is installed" : "when it is not installed";
        for (int i = 0; i < kFrontButtons; ++i) {
            if (!p.bShown[i]) continue;
            const RECT& rc = p.rc[i];
            if (rc.left < 0 || rc.top < 0 || rc.right > cxClient || rc.bottom > cyClient) {
                char sz[80];
                snprintf(sz, sizeof sz, " leaves the %d x %d backdrop", (int)cxClient, (int)cyClient);
                problems.push_back("the " + std::string(kButtonNames[i]) + " button " + RectText(rc) +
                                   sz + " " + when);
            }
            for (int j = i + 1; j < kFrontButtons; ++j) {
                if (p.bShown[j] && Overlap(rc, p.rc[j]))
                    problems.push_back("the " + std::string(kButtonNames[i]) + " button " +
                                       RectText(rc) + " and the " + kButtonNames[j] + " button " +
                                       RectText(p.rc[j]) + " overlap " + when);
            }
        }
    }
    return problems;
}

