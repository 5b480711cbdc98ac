// Checking a disc folder before it is burned: everything that would make the
// launcher on it do less than its author meant, found with the launcher's
// own readers and rules.
#pragma once

#include <string>
#include <vector>

#include "kit/check/CheckRules.h"
#include "kit/disc/Disc.h"

struct Finding {
    RuleIndex rule = kRuleCount;
    std::string key;     // the [BXPARAM] key, "[autorun] open", or the file the finding is about
    std::string reason;  // what is wrong on this disc
    std::string remedy;  // the way out on this disc
    std::string file;    // the file it is about, relative to the disc's root ('/' between names); "" for none
    int line = 0;        // the line of Autorun.inf where its key stands; 0 for none
    // What the author should know but the launcher copes with: it counts only with strict.
    bool note = false;
};

enum CheckResult {
    kDiscClean = 0,
    kDiscFindings = 1,
    kDiscUnreadable = 2,
};

struct DiscCheckOptions {
    std::string launcher = "setup.exe";  // the launcher's file at the disc's root
    bool strict = false;  // notes count as findings
    bool large = false;   // for an image with Joliet's long names and ISO 9660 level 3
    int verifyTimeout = 30;  // seconds for each signature's verification
    std::string caFile;      // authorities' certificates for a chain the system's do not follow; "": none
};

// kDiscUnreadable only when the folder cannot be read.
CheckResult CheckDisc(const CDisc& disc, const DiscCheckOptions& options, std::vector<Finding>* findings);
CheckResult CheckDisc(const std::string& folder, const DiscCheckOptions& options, std::vector<Finding>* findings);

// "KEY: reason; fix: remedy", a note as "note: KEY: reason; fix: remedy".
std::string FormatFinding(const Finding& finding);
