#include "kit/check/CheckReport.h"
#include "kit/cli/Commands.h"
#include "kit/disc/ExitStatus.h"

int CheckAndReport(const std::string& folder, const std::string& launcher, FILE* out, CDisc* disc) {
    if (!disc->Open(folder)) {
        fprintf(stderr, "bxdisc: cannot read the folder %s\n", folder.c_str());
        return kExitFailed;
    }
    DiscCheckOptions options;
    options.launcher = launcher;
    std::vector<Finding> findings;
    CheckResult result = CheckDisc(*disc, options, &findings);
    for (const Finding& f : findings) fprintf(out, "%s\n", FormatFinding(f).c_str());
    return result == kDiscClean ? kExitClean : kExitFindings;
}

namespace {

int RunCheck(const ParsedArgs& args) {
    CDisc disc;
    return CheckAndReport(args.operands[0], args.Get("--launcher", "setup.exe"), stdout, &disc);
}

}  // namespace

const CommandSpec kCheckCommand = {
    "check",
    "DISC_FOLDER",
    1,
    "Checks a disc folder for everything that would make its launcher do less than meant.",
    {{"--launcher", "NAME", "the launcher's file at the disc's root (default setup.exe)", nullptr, false}},
    false,
    RunCheck,
};
