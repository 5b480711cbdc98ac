// What bxdisc's exit status tells a script, for every command and for try's
// runner, which bxdisc try becomes. The table is the runner's too
// (kit/try/bxdisc_try/exit_statuses.json): the enum ExitStatus (kExitClean,
// kExitFindings, kExitUnusable, kExitInterrupted) and the meanings the man
// page gives are written from it when bxdisc is built.
#pragma once

struct ExitStatusMeaning {
    int status;
    const char* meaning;  // for every command; null where only try's is said
    const char* forTry;
};

#include "kit/cli/ExitStatusTable.h"
