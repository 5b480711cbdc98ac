// Another program run for the kit (osslsigncode): its own arguments, no
// shell, no terminal, and what it printed kept for the message.
#pragma once

#include <string>
#include <vector>

struct ToolRun {
    bool started = false;  // false: not installed (or not runnable)
    int status = -1;       // its exit status; -1 when killed by a signal
    std::string output;    // standard output and error together, cut at 64 KiB
};

// Runs args[0] from $PATH with standard input from /dev/null. A secret, when
// given, is the only thing on a pipe the program reads as /dev/fd/3, so that
// it never reaches a command line or a file.
ToolRun RunTool(const std::vector<std::string>& args, const std::string* secret = nullptr);

// The lines of the output that say what went wrong, joined by "; ".
std::string ToolReason(const std::string& output);
