#include <cstdio>
#include <cstdlib>

#include "kit/check/CheckReport.h"
#include "kit/cli/Commands.h"
#include "kit/disc/DiscBitmap.h"
#include "kit/disc/DiscFolder.h"
#include "kit/cli/ExitStatus.h"
#include "kit/preview/FrontView.h"
#include "ui/ButtonFace.h"

namespace {

const char* const kStates[] = {"normal", "focused", "pressed", "hover", "hover-focused", "all"};
const int kAllFaces = kFaceColumns;
// Ten bands of the window on one sheet: a backdrop of a few million pixels at most.
const long kMaxSheetBackdrop = 4L * 1024 * 1024;
// A scaled picture of some 64 million pixels at most: larger is no screen's window.
const long kMaxScaledPixels = 64L * 1024 * 1024;

// The face column of a --state name, kAllFaces for "all".
int StateColumn(const std::string& name) {
    for (int i = 0; i < kAllFaces; ++i)
        if (name == kStates[i]) return i;
    return kAllFaces;
}

bool LoadNamed(const CDisc& disc, ParamKey key, DiscBitmap* bitmap) {
    DiscEntry entry = disc.Named(key);
    std::vector<unsigned char> file;
    return entry.IsFile() && ReadWholeFile(entry.path, &file) && ReadDiscBitmap(file, bitmap).loaded;
}

int RunPreview(const ParsedArgs& args) {
    // The findings tell what the picture may not show as meant.
    CDisc disc;
    DiscCheckOptions options;
    options.launcher = args.Get("--launcher", "setup.exe");
    int result = CheckBeforeUse(args.operands[0], options, stderr, &disc);
    if (result == kExitUnusable) return result;
    DiscBitmap backdrop, strip;
    if (!LoadNamed(disc, AutorunBackdrop, &backdrop)) {
        fputs("bxdisc: no backdrop the launcher can load: the front window would stay empty\n", stderr);
        return kExitFindings;
    }
    bool bStrip = LoadNamed(disc, AutorunButtons, &strip);
    int nColumn = args.Has("--state") ? StateColumn(args.Get("--state")) : kOpeningFaces;
    RgbImage image;
    if (nColumn == kAllFaces) {
        if (!bStrip) {
            fputs("bxdisc: no button strip the launcher can load: no faces to show\n", stderr);
            return kExitFindings;
        }
        if ((long)backdrop.width * backdrop.height > kMaxSheetBackdrop) {
            fputs("bxdisc: the backdrop is too large for a sheet of every face\n", stderr);
            return kExitUnusable;
        }
        image = DrawAllFaces(backdrop, strip);
    } else {
        image = DrawFront(backdrop, bStrip ? &strip : nullptr, args.Has("--installed"), nColumn);
    }
    int nScale = atoi(args.Get("--scale", "1").c_str());
    if (nScale > 1) {
        if ((long)image.width * image.height * nScale * nScale > kMaxScaledPixels) {
            fprintf(stderr, "bxdisc: the picture is too large to draw at --scale %d (%d x %d pixels)\n", nScale,
                    image.width * nScale, image.height * nScale);
            return kExitUnusable;
        }
        image = ScaleUp(image, nScale);
    }
    const std::string& png = args.operands[1];
    if (!WritePng(png, image)) {
        fprintf(stderr, "bxdisc: cannot write %s\n", png.c_str());
        return kExitUnusable;
    }
    return result;
}

}  // namespace

const Command kPreviewCommand = {
    "preview",
    "DISC_FOLDER OUT.png",
    2,
    "Draws the disc's front window as the launcher lays it out, as a PNG.",
    {
        {"--installed", nullptr, "the product counts as installed: Run and Setup again show", nullptr, false},
        {"--state", "STATE", "every button in one face, or all: every face on one sheet",
         "normal|focused|pressed|hover|hover-focused|all", false},
        {"--scale", "N", "drawn N times as large, as the launcher draws it at N x 96 DPI (default 1)", "1|2|3|4",
         false},
        {"--launcher", "NAME", "the launcher's file at the disc's root (default setup.exe)", nullptr, false},
    },
    false,
    RunPreview,
    "draws the disc's front window as a PNG",
};
