#include <cstdio>

#include "kit/check/CheckReport.h"
#include "kit/cli/Commands.h"
#include "kit/disc/DiscText.h"
#include "kit/cli/ExitStatus.h"
#include "kit/image/DiscImage.h"

namespace {

int RunImage(const ParsedArgs& args) {
    std::string label = args.Get("--label");
    if (!IsVolumeLabel(label)) {
        fputs("bxdisc: the label takes 1 to 16 of A-Z, 0-9 and _\n", stderr);
        return kExitUnusable;
    }
    CDisc disc;
    DiscCheckOptions options;
    options.launcher = args.Get("--launcher", "setup.exe");
    options.large = args.Has("--large");
    int result = CheckBeforeUse(args.operands[0], options, stdout, &disc);
    if (result != kExitClean) {
        if (result == kExitFindings) fputs("bxdisc: no image of a disc with findings\n", stderr);
        return result;
    }
    std::string error;
    if (!MakeDiscImage(disc.folder(), args.operands[1], label, options.large, &error)) {
        fprintf(stderr, "bxdisc: %s\n", error.c_str());
        return kExitUnusable;
    }
    return kExitClean;
}

}  // namespace

const Command kImageCommand = {
    "image",
    "DISC_FOLDER OUT.iso",
    2,
    "Makes the disc's ISO 9660 image with Joliet names, once the check is clean.",
    {
        {"--label", "LABEL", "the volume label: 1 to 16 of A-Z, 0-9 and _", nullptr, true},
        {"--launcher", "NAME", "the launcher's file at the disc's root (default setup.exe)", nullptr, false},
        {"--large", nullptr, "Joliet's long names (up to 103) and ISO 9660 level 3 (files over 4 GiB)", nullptr, false},
    },
    false,
    RunImage,
    "makes the disc's ISO 9660 image once the check is clean",
};
