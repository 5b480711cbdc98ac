#include "kit/check/CheckReport.h"
#include "kit/cli/Commands.h"
#include "kit/disc/ExitStatus.h"

int CheckAndReport(const std::string& folder, const DiscCheckOptions& options, FILE* out, CDisc* disc) {
    if (!disc->Open(folder)) {
        fprintf(stderr, "bxdisc: cannot read the folder %s\n", folder.c_str());
        return kExitFailed;
    }
    std::vector<Finding> findings;
    CheckResult result = CheckDisc(*disc, options, &findings);
    for (bool bNotes : {false, true})
        for (const Finding& f : findings)
            if (f.note == bNotes) fprintf(out, "%s\n", FormatFinding(f).c_str());
    return result == kDiscClean ? kExitClean : kExitFindings;
}

namespace {

int RunCheck(const ParsedArgs& args) {
    CDisc disc;
    DiscCheckOptions options;
    options.launcher = args.Get("--launcher", "setup.exe");
    options.strict = args.Has("--strict");
    options.large = args.Has("--large");
    return CheckAndReport(args.operands[0], options, stdout, &disc);
}

}  // namespace

const Command kCheckCommand = {
    "check",
    "DISC_FOLDER",
    1,
    "Checks a disc folder for everything that would make its launcher do less than meant, and for what\n"
    "Windows 10 and 11 make of the disc. Notes (\"note: \") tell what the author should know; they count\n"
    "as findings only with --strict.",
    {
        {"--launcher", "NAME", "the launcher's file at the disc's root (default setup.exe)", nullptr, false},
        {"--strict", nullptr, "notes count as findings in the exit status", nullptr, false},
        {"--large", nullptr, "judges for bxdisc image --large: names up to 103, files over 4 GiB", nullptr, false},
    },
    false,
    RunCheck,
};
