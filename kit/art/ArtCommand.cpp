#include <cstdio>
#include <cstdlib>

#include "kit/cli/Commands.h"
#include "kit/cli/ExitStatus.h"
#ifdef BX_HAVE_ART
#include "kit/art/DiscArt.h"
#endif

namespace {

#ifdef BX_HAVE_ART
// RRGGBB, with or without a leading #.
bool ParseColour(std::string text, uint32_t* rgb) {
    if (!text.empty() && text[0] == '#') text.erase(0, 1);
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
    *rgb = (uint32_t)strtoul(text.c_str(), nullptr, 16);
    return true;
}

// Splits at the separator into exactly n parts.
bool SplitInto(const std::string& text, char separator, size_t n, std::vector<std::string>* parts) {
    parts->clear();
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == separator) {
            parts->push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts->size() == n;
}

// False with the reason for a value the option cannot take.
bool ReadArtOptions(const ParsedArgs& args, ArtOptions* options, std::string* error) {
    options->folder = args.operands[0];
    options->backdrop = args.Get("--backdrop");
    options->sheet = args.Get("--sheet");
    options->updateInf = args.Has("--update-inf");
    std::vector<std::string> parts;
    // Drawing options say nothing to a ready sheet.
    if (args.Has("--sheet") &&
        (args.Has("--labels") || args.Has("--font") || args.Has("--face") || args.Has("--accent"))) {
        *error = "--sheet gives the faces ready-made: --labels, --font, --face and --accent draw them";
        return false;
    }
    if (options->backdrop.empty() || (args.Has("--sheet") && options->sheet.empty())) {
        *error = "--backdrop and --sheet name an image file";
        return false;
    }
    if ((args.Has("--background") && !ParseColour(args.Get("--background"), &options->background)) ||
        (args.Has("--accent") && !ParseColour(args.Get("--accent"), &options->faces.accent))) {
        *error = "a colour is RRGGBB in hexadecimal, such as 2858A8";
        return false;
    }
    if (args.Has("--labels")) {
        if (!SplitInto(args.Get("--labels"), '|', 4, &parts)) {
            *error = "--labels takes four labels between bars: 'Run|Setup again|Install|Exit'";
            return false;
        }
        for (int i = 0; i < 4; ++i) options->faces.labels[i] = parts[i];
    }
    if (args.Has("--font")) options->faces.font = args.Get("--font");
    if (args.Has("--face")) {
        int w = 0, h = 0;
        char extra;
        if (sscanf(args.Get("--face").c_str(), "%dx%d%c", &w, &h, &extra) != 2) {
            *error = "--face takes WIDTHxHEIGHT, such as 150x36";
            return false;
        }
        options->faces.width = w;
        options->faces.height = h;
    }
    if (args.Has("--names")) {
        if (!SplitInto(args.Get("--names"), ',', 2, &parts)) {
            *error = "--names takes two file names: backdrop.bmp,buttons.bmp";
            return false;
        }
        options->backdropName = parts[0];
        options->buttonsName = parts[1];
    }
    return true;
}

void PrintPsnr(const std::string& path, int w, int h, double psnr) {
    printf("%s: %d x %d, 8 bits per pixel, ", path.c_str(), w, h);
    if (psnr > 1e9) printf("every colour exact\n");
    else printf("PSNR %.1f dB against its source\n", psnr);
}

int RunArt(const ParsedArgs& args) {
    ArtOptions options;
    std::string error;
    if (!ReadArtOptions(args, &options, &error)) {
        fprintf(stderr, "bxdisc art: %s\nusage: %s\n", error.c_str(), Synopsis(kArtCommand).c_str());
        return kExitUnusable;
    }
    ArtReport report;
    if (!MakeDiscArt(options, &report, &error)) {
        fprintf(stderr, "bxdisc: %s\nbxdisc: nothing written\n", error.c_str());
        return kExitUnusable;
    }
    PrintPsnr(report.backdropPath, report.backdropWidth, report.backdropHeight, report.backdropPsnr);
    PrintPsnr(report.buttonsPath, report.buttonsWidth, report.buttonsHeight, report.buttonsPsnr);
    printf("one colour table of %zu colours in both\n", report.colours);
    if (!report.leftover.empty()) fprintf(stderr, "bxdisc: %s\n", report.leftover.c_str());
    if (!report.infPath.empty()) {
        printf("%s: AutorunBackdrop and AutorunButtons set\n", report.infPath.c_str());
    } else {
        printf("add to the [BXPARAM] section of Autorun.inf (or run again with --update-inf):\n"
               "AutorunBackdrop=%s\nAutorunButtons=%s\n",
               options.backdropName.c_str(), options.buttonsName.c_str());
    }
    return kExitClean;
}
#else
int RunArt(const ParsedArgs&) {
    fputs("bxdisc: this bxdisc was built without cairo, pango and libimagequant: no art command\n", stderr);
    return kExitUnusable;
}
#endif

}  // namespace

const Command kArtCommand = {
    "art",
    "DISC_FOLDER",
    1,
    "Makes the front window's two bitmaps from a PNG or JPEG backdrop and the buttons' labels\n"
    "(or a ready 5 x 4 sheet of faces), with one colour table for both.",
    {
        {"--backdrop", "IMAGE", "the backdrop: a PNG or JPEG", nullptr, true},
        {"--background", "RRGGBB", "the colour behind the images' transparent parts (default 000000)", nullptr, false},
        {"--sheet", "FACES.png", "ready faces: 5 across (normal, focused, pressed, hover, hover and focused),\n"
                                 "                          4 down (run, setup again, install, exit)", nullptr, false},
        {"--labels", "'Run|Setup again|Install|Exit'", "the four buttons' labels, drawn", nullptr, false},
        {"--font", "'DejaVu Sans Bold 11'", "the labels' font", nullptr, false},
        {"--face", "150x36", "one face's size in pixels", nullptr, false},
        {"--accent", "2858A8", "the faces' colour", nullptr, false},
        {"--names", "backdrop.bmp,buttons.bmp", "the bitmaps' file names at the disc's root", nullptr, false},
        {"--update-inf", nullptr, "sets AutorunBackdrop and AutorunButtons in Autorun.inf", nullptr, false},
    },
    false,
    RunArt,
    "makes the front window's bitmaps from a backdrop and labels",
};
