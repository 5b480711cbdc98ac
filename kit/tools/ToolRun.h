// Another program run for the kit (osslsigncode, bwrap): its own arguments,
// no shell, no terminal, and what it printed kept for the message.
#pragma once

#include <string>
#include <vector>

struct ToolRun {
    bool started = false;   // false: not installed (or not runnable)
    int status = -1;        // its exit status; -1 when killed by a signal
    int signal = 0;         // the signal that killed it, 0 when it exited
    bool timedOut = false;  // killed at the time limit
    std::string output;     // standard output and error together, cut at 64 KiB
    std::string report;     // what it wrote on descriptor 4, when ToolLimits::reportPipe asked for it
};

struct ToolLimits {
    // 0: none. Otherwise the program runs in its own process group, dies with
    // us, and the whole group is killed once the time is up.
    int timeoutSeconds = 0;
    // A second pipe on descriptor 4, for what a program says about itself
    // apart from its output (bwrap's --json-status-fd).
    bool reportPipe = false;
};

// Runs args[0] from $PATH with standard input from /dev/null. A secret, when
// given, is the only thing on a pipe the program reads as /dev/fd/3, so that
// it never reaches a command line or a file.
ToolRun RunTool(const std::vector<std::string>& args, const std::string* secret = nullptr,
                const ToolLimits& limits = ToolLimits());

// The lines of the output that say what went wrong, joined by "; ".
std::string ToolReason(const std::string& output);
