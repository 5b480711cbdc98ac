// Checking a disc folder before it is burned: everything that would make the
// launcher on it do less than its author meant, found with the launcher's
// own readers and rules.
#pragma once

#include <string>
#include <vector>

#include "kit/disc/Disc.h"

struct Finding {
    std::string key;  // the [BXPARAM] key, or what else the finding is about
    std::string reason;
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
};

// kDiscUnreadable only when the folder cannot be read.
CheckResult CheckDisc(const CDisc& disc, const DiscCheckOptions& options, std::vector<Finding>* findings);
CheckResult CheckDisc(const std::string& folder, const DiscCheckOptions& options, std::vector<Finding>* findings);

// "KEY: reason", a note as "note: KEY: reason".
std::string FormatFinding(const Finding& finding);
