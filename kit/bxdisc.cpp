// bxdisc: checks a disc folder for the launcher, previews its front window,
// and makes its image.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kit/DiscBitmap.h"
#include "kit/DiscCheck.h"
#include "kit/DiscFolder.h"
#include "kit/DiscImage.h"
#include "kit/DiscText.h"
#include "kit/FrontView.h"
#include "params/ParamFile.h"

namespace {

const char kUsage[] =
    "usage: bxdisc check DISC_FOLDER [--launcher NAME]\n"
    "       bxdisc preview DISC_FOLDER OUT.png [--installed] [--launcher NAME]\n"
    "       bxdisc image DISC_FOLDER OUT.iso --label LABEL [--launcher NAME]\n"
    "Exit status: 0 done and clean, 1 findings, 2 unusable input or failure.\n";

int Usage() {
    fputs(kUsage, stderr);
    return 2;
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

int Preview(const std::string& folder, const std::string& png, bool bInstalled,
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
    if (!WritePng(png, DrawFront(backdrop, bStrip ? &strip : nullptr, bInstalled))) {
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

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> positional;
    DiscCheckOptions options;
    bool bInstalled = false;
    std::string label;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--installed") {
            bInstalled = true;
        } else if ((arg == "--label" || arg == "--launcher") && i + 1 < argc) {
            (arg == "--label" ? label : options.launcher) = argv[++i];
        } else if (arg == "-h" || arg == "--help") {
            fputs(kUsage, stdout);
            return 0;
        } else if (arg.compare(0, 2, "--") == 0) {
            return Usage();
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.empty()) return Usage();
    const std::string& command = positional[0];
    if (command == "check" && positional.size() == 2 && !bInstalled && label.empty())
        return Check(positional[1], options, stdout);
    if (command == "preview" && positional.size() == 3 && label.empty())
        return Preview(positional[1], positional[2], bInstalled, options);
    if (command == "image" && positional.size() == 3 && !label.empty() && !bInstalled)
        return Image(positional[1], positional[2], label, options);
    return Usage();
}
