#include <unistd.h>

#include <cstdlib>

#include "kit/check/CheckReport.h"
#include "kit/cli/Commands.h"
#include "kit/disc/DiscFolder.h"
#include "kit/cli/ExitStatus.h"

namespace {

// Findings first, as they decide the status.
std::vector<Finding> Ordered(const std::vector<Finding>& findings) {
    std::vector<Finding> ordered;
    for (bool bNotes : {false, true})
        for (const Finding& f : findings)
            if (f.note == bNotes) ordered.push_back(f);
    return ordered;
}

bool OpenDisc(const std::string& folder, CDisc* disc) {
    if (disc->Open(folder)) return true;
    fprintf(stderr, "bxdisc: cannot read the folder %s; fix: give the disc's folder, readable by you\n", folder.c_str());
    return false;
}

}  // namespace

int CheckAndReport(const std::string& folder, const DiscCheckOptions& options, ReportFormat format, FILE* out,
                   CDisc* disc) {
    if (!OpenDisc(folder, disc)) return kExitUnusable;
    std::vector<Finding> findings;
    int status = CheckDisc(*disc, options, &findings) == kDiscClean ? kExitClean : kExitFindings;
    findings = Ordered(findings);
    if (format == ReportFormat::kJson) {
        fputs(FindingsJson(disc->folder(), findings, status).c_str(), out);
    } else if (format == ReportFormat::kSarif) {
        std::string inf = disc->inf().Found() ? disc->inf().Relative(disc->folder()) : "Autorun.inf";
        fputs(FindingsSarif(disc->folder(), inf, findings).c_str(), out);
    } else {
        for (const Finding& f : findings) fprintf(out, "%s\n", FormatFinding(f).c_str());
    }
    return status;
}

int CheckBeforeUse(const std::string& folder, const DiscCheckOptions& options, FILE* out, CDisc* disc) {
    if (!OpenDisc(folder, disc)) return kExitUnusable;
    std::vector<Finding> findings;
    int status = CheckDisc(*disc, options, &findings) == kDiscClean ? kExitClean : kExitFindings;
    size_t notes = 0;
    for (const Finding& f : findings) {
        if (f.note) ++notes;
        else fprintf(out, "%s\n", FormatFinding(f).c_str());
    }
    if (notes) fprintf(out, "%zu note%s: bxdisc check %s\n", notes, notes == 1 ? "" : "s", disc->folder().c_str());
    return status;
}

namespace {

int RunCheck(const ParsedArgs& args) {
    std::string format = args.Get("--format", "text");
    if (args.Has("--list-rules")) {
        // A SARIF log of a check holds the rules already: runs[0].tool.driver.rules.
        if (format == "sarif") {
            fputs("bxdisc check: --list-rules gives text or json, not sarif: every SARIF log of a check holds the "
                  "rules (runs[0].tool.driver.rules)\n",
                  stderr);
            return kExitUnusable;
        }
        fputs((format == "json" ? RuleListJson() : RuleList()).c_str(), stdout);
        return kExitClean;
    }
    CDisc disc;
    DiscCheckOptions options;
    options.launcher = args.Get("--launcher", "setup.exe");
    options.strict = args.Has("--strict");
    options.large = args.Has("--large");
    if (args.Has("--verify-timeout")) {
        std::string value = args.Get("--verify-timeout");
        char* end = nullptr;
        long seconds = strtol(value.c_str(), &end, 10);
        if (value.empty() || *end || seconds < 1 || seconds > 3600) {
            fprintf(stderr, "bxdisc check: --verify-timeout takes whole seconds from 1 to 3600, not \"%s\"\n", value.c_str());
            return kExitUnusable;
        }
        options.verifyTimeout = (int)seconds;
    }
    options.caFile = args.Get("--ca-file");
    if (args.Has("--ca-file") && (IsFolder(options.caFile) || access(options.caFile.c_str(), R_OK) != 0)) {
        fprintf(stderr, "bxdisc check: --ca-file %s: cannot be read\n", options.caFile.c_str());
        return kExitUnusable;
    }
    ReportFormat report = format == "json" ? ReportFormat::kJson : format == "sarif" ? ReportFormat::kSarif : ReportFormat::kText;
    return CheckAndReport(args.operands[0], options, report, stdout, &disc);
}

}  // namespace

const Command kCheckCommand = {
    "check",
    "DISC_FOLDER",
    1,
    "Checks a disc folder for everything that would make its launcher do less than meant, and for what\n"
    "Windows 10 and 11 make of the disc. Each line names the way out after \"fix: \". Notes (\"note: \")\n"
    "tell what the author should know; they count as findings only with --strict. --format json or\n"
    "sarif gives the same results for CI systems (SARIF 2.1.0 for code scanning); --list-rules lists\n"
    "every rule with its id (--format json: as JSON).",
    {
        {"--launcher", "NAME", "the launcher's file at the disc's root (default setup.exe)", nullptr, false},
        {"--strict", nullptr, "notes count as findings in the exit status", nullptr, false},
        {"--large", nullptr, "judges for bxdisc image --large: names up to 103, files over 4 GiB", nullptr, false},
        {"--format", "FORMAT", "text (default), json or sarif", "text|json|sarif", false},
        {"--verify-timeout", "SECONDS", "the time each signature's verification may take (default 30)", nullptr, false},
        {"--ca-file", "FILE", "authorities' certificates (PEM) for chains the system's do not follow, such as the "
         "code-signing roots Windows trusts", nullptr, false},
        {"--list-rules", nullptr, "lists every rule: id, name, level, what it finds and the way out (no DISC_FOLDER)",
         nullptr, false, true},
    },
    false,
    RunCheck,
    "checks a disc for what would make its launcher do less than meant",
};
