// What bxdisc's exit status tells a script, for every command.
#pragma once

enum ExitStatus {
    kExitClean = 0,     // done, and the disc has nothing to report
    kExitFindings = 1,  // done, with findings (try: the launcher failed or hung)
    kExitFailed = 2,    // a usage error, unusable input, or a tool that failed
};
