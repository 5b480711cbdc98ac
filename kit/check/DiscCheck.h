// Checking a disc folder before it is burned: everything that would make the
// launcher on it do less than its author meant, found with the launcher's
// own readers and rules.
#pragma once

#include <string>
#include <vector>

#include "kit/check/Finding.h"
#include "kit/disc/Disc.h"

enum CheckResult {
    kDiscClean = 0,
    kDiscFindings = 1,
    kDiscUnreadable = 2,
};

// kDiscUnreadable only when the folder cannot be read.
CheckResult CheckDisc(const CDisc& disc, const DiscCheckOptions& options, std::vector<Finding>* findings);
CheckResult CheckDisc(const std::string& folder, const DiscCheckOptions& options, std::vector<Finding>* findings);

// "KEY: reason; fix: remedy", a note as "note: KEY: reason; fix: remedy".
std::string FormatFinding(const Finding& finding);
