// bxdisc: checks a disc folder for the launcher, previews its front window,
// makes its artwork and its image.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "kit/DiscBitmap.h"
#include "kit/DiscCheck.h"
#include "kit/DiscFolder.h"
#include "kit/DiscImage.h"
#include "kit/DiscTry.h"
#include "kit/DiscText.h"
#include "kit/FrontView.h"
#include "params/ParamFile.h"
#include "ui/ButtonFace.h"
#ifdef BX_HAVE_ART
#include "kit/DiscArt.h"
#endif

namespace {

const char kUsage[] =
    "usage: bxdisc check DISC_FOLDER [--launcher NAME]\n"
    "       bxdisc preview DISC_FOLDER OUT.png [--installed] [--state STATE] [--launcher NAME]\n"
    "           STATE: normal, focused, pressed, hover, hover-focused, or all (every face on one sheet)\n"
    "       bxdisc art DISC_FOLDER --backdrop IMAGE [--background RRGGBB] [--update-inf]\n"
    "           [--sheet FACES.png | --labels 'Run|Setup again|Install|Exit' [--font 'DejaVu Sans Bold 11']\n"
    "            [--face 150x36] [--accent 2858A8]] [--names backdrop.bmp,buttons.bmp]\n"
    "       bxdisc image DISC_FOLDER OUT.iso --label LABEL [--launcher NAME]\n"
    "       bxdisc try DISC_FOLDER [--system win95|win98|winme|nt40|win2k|winxp] [--show]\n"
    "           [--installed] [--screenshot OUT.png] [--click run|again|install|exit]\n"
    "           [--answer yes|no] [--oleaut32 4.0|3.50] [--timeout SECONDS] [--launcher NAME]\n"
    "           [-- LAUNCHER_ARGS...]\n"
    "Exit status: 0 done and clean, 1 findings, 2 unusable input or failure;\n"
    "try: 0 the launcher did what the disc intends, 1 it showed an error message or hung,\n"
    "2 the disc or Wine cannot be used.\n";

int Usage() {
    fputs(kUsage, stderr);
    return 2;
}

// Each option, whether it takes a value, and the commands that take it.
struct OptionRule {
    const char* name;
    bool bValue;
    const char* commands;
};
const OptionRule kOptions[] = {
    {"--launcher", true, " check preview image try "}, {"--installed", false, " preview try "},
    {"--state", true, " preview "},                 {"--label", true, " image "},
    {"--backdrop", true, " art "},                  {"--background", true, " art "},
    {"--sheet", true, " art "},                     {"--labels", true, " art "},
    {"--font", true, " art "},                      {"--face", true, " art "},
    {"--accent", true, " art "},                    {"--names", true, " art "},
    {"--update-inf", false, " art "},              {"--system", true, " try "},
    {"--show", false, " try "},                     {"--screenshot", true, " try "},
    {"--click", true, " try "},                     {"--answer", true, " try "},
    {"--timeout", true, " try "},                  {"--oleaut32", true, " try "},
};

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    bool bTail = false;             // "--" given: the rest is for the launcher (try)
    std::vector<std::string> tail;
    bool Has(const char* name) const { return options.count(name) != 0; }
    std::string Get(const char* name, const char* fallback = "") const {
        auto it = options.find(name);
        return it == options.end() ? fallback : it->second;
    }
};

// False for an unknown option, one the command does not take, one given
// twice or without its value.
bool Parse(int argc, char** argv, Arguments* args) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--") {
            args->bTail = true;
            args->tail.assign(argv + i + 1, argv + argc);
            break;
        }
        if (arg.compare(0, 2, "--") != 0) {
            args->positional.push_back(arg);
            continue;
        }
        const OptionRule* rule = nullptr;
        for (const OptionRule& r : kOptions)
            if (arg == r.name) rule = &r;
        if (!rule || args->Has(rule->name) || (rule->bValue && i + 1 >= argc)) return false;
        args->options[arg] = rule->bValue ? argv[++i] : "";
    }
    if (args->positional.empty() || (args->bTail && args->positional[0] != "try")) return false;
    std::string command = " " + args->positional[0] + " ";
    for (const auto& o : args->options) {
        for (const OptionRule& r : kOptions)
            if (o.first == r.name && !strstr(r.commands, command.c_str())) return false;
    }
    return true;
}

// Runs the check and prints its findings; the check's result.
int Check(const std::string& folder, const DiscCheckOptions& options, FILE* out) {
    std::vector<Finding> findings;
    CheckResult result = CheckDisc(folder, options, &findings);
    if (result == kDiscUnreadable) {
        fprintf(stderr, "bxdisc: cannot read the folder %s\n", folder.c_str());
        return result;
    }
    for (const Finding& f : findings) fprintf(out, "%s\n", FormatFinding(f).c_str());
    return result;
}

bool LoadNamed(const std::string& folder, const CParamFile& params, ParamKey key, DiscBitmap* bitmap) {
    std::string path = FindOnDisc(folder, params.GetValue(key).GetString());
    std::vector<unsigned char> file;
    return !path.empty() && ReadWholeFile(path, &file) && ReadDiscBitmap(file, bitmap).loaded;
}

const char* const kStates[] = {"normal", "focused", "pressed", "hover", "hover-focused", "all"};
const int kAllFaces = kFaceColumns;

// The face column of a --state name, kAllFaces for "all", -1 for no such state.
int StateColumn(const std::string& name) {
    for (int i = 0; i <= kAllFaces; ++i)
        if (name == kStates[i]) return i;
    return -1;
}

int Preview(const std::string& folder, const std::string& png, bool bInstalled, int nColumn,
            const DiscCheckOptions& options) {
    // The findings tell what the picture may not show as meant.
    int result = Check(folder, options, stderr);
    if (result == kDiscUnreadable) return result;
    std::string inf = FindOnDisc(folder, "Autorun.inf");
    CParamFile params(inf.c_str());
    DiscBitmap backdrop, strip;
    if (inf.empty() || !LoadNamed(folder, params, AutorunBackdrop, &backdrop)) {
        fputs("bxdisc: no backdrop the launcher can load: the front window would stay empty\n", stderr);
        return kDiscFindings;
    }
    bool bStrip = LoadNamed(folder, params, AutorunButtons, &strip);
    FrontImage image;
    if (nColumn == kAllFaces) {
        // Ten bands of the window on one sheet: a backdrop of a few million pixels at most.
        if (!bStrip || (long)backdrop.width * backdrop.height > 4L * 1024 * 1024) {
            fputs(bStrip ? "bxdisc: the backdrop is too large for a sheet of every face\n"
                         : "bxdisc: no button strip the launcher can load: no faces to show\n",
                  stderr);
            return bStrip ? kDiscUnreadable : kDiscFindings;
        }
        image = DrawAllFaces(backdrop, strip);
    } else {
        image = DrawFront(backdrop, bStrip ? &strip : nullptr, bInstalled, nColumn);
    }
    if (!WritePng(png, image)) {
        fprintf(stderr, "bxdisc: cannot write %s\n", png.c_str());
        return kDiscUnreadable;
    }
    return result;
}

int Image(const std::string& folder, const std::string& iso, const std::string& label,
          const DiscCheckOptions& options) {
    if (!IsVolumeLabel(label)) {
        fputs("bxdisc: the label takes 1 to 16 of A-Z, 0-9 and _\n", stderr);
        return kDiscUnreadable;
    }
    int result = Check(folder, options, stdout);
    if (result != kDiscClean) {
        if (result == kDiscFindings) fputs("bxdisc: no image of a disc with findings\n", stderr);
        return result;
    }
    std::string error;
    if (!MakeDiscImage(folder, iso, label, &error)) {
        fprintf(stderr, "bxdisc: %s\n", error.c_str());
        return kDiscUnreadable;
    }
    return kDiscClean;
}

int Try(const Arguments& args) {
    TryOptions options;
    options.folder = args.positional[1];
    options.launcher = args.Get("--launcher", "setup.exe");
    options.system = args.Get("--system", "winxp");
    options.screenshot = args.Get("--screenshot");
    options.click = args.Get("--click");
    options.answer = args.Get("--answer");
    options.oleaut32 = args.Get("--oleaut32");
    options.show = args.Has("--show");
    options.installed = args.Has("--installed");
    options.bArgs = args.bTail;
    options.args = args.tail;
    if (args.Has("--timeout")) {
        char* end = nullptr;
        std::string text = args.Get("--timeout");
        long seconds = strtol(text.c_str(), &end, 10);
        if (text.empty() || *end || seconds <= 0 || seconds > 3600) return Usage();
        options.timeout = (int)seconds;
    }
    if (!ValidTryOptions(options) || (args.Has("--screenshot") && options.screenshot.empty()))
        return Usage();
    return RunTry(options);
}

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

bool ParseArt(const Arguments& args, ArtOptions* options) {
    options->folder = args.positional[1];
    options->backdrop = args.Get("--backdrop");
    options->sheet = args.Get("--sheet");
    options->updateInf = args.Has("--update-inf");
    std::vector<std::string> parts;
    if (options->backdrop.empty() || (args.Has("--sheet") && options->sheet.empty())) return false;
    if (args.Has("--background") && !ParseColour(args.Get("--background"), &options->background)) return false;
    if (args.Has("--accent") && !ParseColour(args.Get("--accent"), &options->faces.accent)) return false;
    if (args.Has("--labels")) {
        if (!SplitInto(args.Get("--labels"), '|', 4, &parts)) return false;
        for (int i = 0; i < 4; ++i) options->faces.labels[i] = parts[i];
    }
    if (args.Has("--font")) options->faces.font = args.Get("--font");
    if (args.Has("--face")) {
        int w = 0, h = 0;
        char extra;
        if (sscanf(args.Get("--face").c_str(), "%dx%d%c", &w, &h, &extra) != 2) return false;
        options->faces.width = w;
        options->faces.height = h;
    }
    if (args.Has("--names")) {
        if (!SplitInto(args.Get("--names"), ',', 2, &parts)) return false;
        options->backdropName = parts[0];
        options->buttonsName = parts[1];
    }
    // Drawing options say nothing to a ready sheet.
    return !(args.Has("--sheet") &&
             (args.Has("--labels") || args.Has("--font") || args.Has("--face") || args.Has("--accent")));
}

void PrintPsnr(const std::string& path, int w, int h, double psnr) {
    printf("%s: %d x %d, 8 bits per pixel, ", path.c_str(), w, h);
    if (psnr > 1e9) printf("every colour exact\n");
    else printf("PSNR %.1f dB against its source\n", psnr);
}

int Art(const Arguments& args) {
    ArtOptions options;
    if (!ParseArt(args, &options)) return Usage();
    ArtReport report;
    std::string error;
    if (!MakeDiscArt(options, &report, &error)) {
        fprintf(stderr, "bxdisc: %s\nbxdisc: nothing written\n", error.c_str());
        return kDiscUnreadable;
    }
    PrintPsnr(report.backdropPath, report.backdropWidth, report.backdropHeight, report.backdropPsnr);
    PrintPsnr(report.buttonsPath, report.buttonsWidth, report.buttonsHeight, report.buttonsPsnr);
    printf("one colour table of %zu colours in both\n", report.colours);
    if (!report.infPath.empty()) {
        printf("%s: AutorunBackdrop and AutorunButtons set\n", report.infPath.c_str());
    } else {
        printf("add to the [BXPARAM] section of Autorun.inf (or run again with --update-inf):\n"
               "AutorunBackdrop=%s\nAutorunButtons=%s\n",
               options.backdropName.c_str(), options.buttonsName.c_str());
    }
    return kDiscClean;
}
#else
int Art(const Arguments&) {
    fputs("bxdisc: this bxdisc was built without cairo, pango and libimagequant: no art command\n", stderr);
    return kDiscUnreadable;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "-h") || !strcmp(argv[i], "--help")) {
            fputs(kUsage, stdout);
            return 0;
        }
    }
    Arguments args;
    if (!Parse(argc, argv, &args)) return Usage();
    const std::string& command = args.positional[0];
    size_t n = args.positional.size();
    DiscCheckOptions options;
    if (args.Has("--launcher")) options.launcher = args.Get("--launcher");
    if (command == "check" && n == 2) return Check(args.positional[1], options, stdout);
    if (command == "preview" && n == 3) {
        int nColumn = args.Has("--state") ? StateColumn(args.Get("--state")) : kOpeningFaces;
        if (args.Has("--state") && nColumn < 0) return Usage();
        return Preview(args.positional[1], args.positional[2], args.Has("--installed"), nColumn, options);
    }
    if (command == "image" && n == 3 && args.Has("--label"))
        return Image(args.positional[1], args.positional[2], args.Get("--label"), options);
    if (command == "art" && n == 2) return Art(args);
    if (command == "try" && n == 2) return Try(args);
    return Usage();
}
