// What the check reports of a disc: one finding or note under its rule, and
// the options that decide what is judged.
#pragma once

#include <string>

#include "kit/check/CheckRule.h"

struct Finding {
    const CheckRule* rule = nullptr;
    std::string key;     // the [BXPARAM] key, "[autorun] open", or the file the finding is about
    std::string reason;  // what is wrong on this disc
    std::string remedy;  // the way out on this disc
    std::string file;    // the file it is about, relative to the disc's root ('/' between names); "" for none
    int line = 0;        // the line of Autorun.inf where its key stands; 0 for none
    // What the author should know but the launcher copes with: it counts only with strict.
    bool note = false;
};

struct DiscCheckOptions {
    std::string launcher = "setup.exe";  // the launcher's file at the disc's root
    bool strict = false;  // notes count as findings
    bool large = false;   // for an image with Joliet's long names and ISO 9660 level 3
    int verifyTimeout = 30;  // seconds for each signature's verification
    std::string caFile;      // authorities' certificates for a chain the system's do not follow; "": none
};
