// bxdisc try: the disc's launcher run on emulated Windows (Wine), by the
// runner kit/disc_try.py over the Wine test bed's driver and recorders.
#pragma once

#include <string>
#include <vector>

struct TryOptions {
    std::string folder;
    std::string launcher = "setup.exe";
    std::string system = "winxp";
    std::string screenshot, click, answer;
    std::string oleaut32;  // the emulated system's automation library version
    int timeout = 0;  // seconds for each wait on the launcher; 0: the runner's own
    bool show = false, installed = false;
    bool bArgs = false;             // arguments given after "--"
    std::vector<std::string> args;  // for the launcher, instead of /autorun
};

// Whether the option values name known systems, buttons and answers.
bool ValidTryOptions(const TryOptions& options);

// The runner's command line: what the launcher's own reading of the disc
// found (the files Autorun.inf names, as paths relative to the folder), the
// front window's button ids, and the options. Empty with *error set when the
// folder or the launcher is not there.
std::vector<std::string> TryCommand(const TryOptions& options, const std::string& runner,
                                    const std::string& tools, std::string* error);

// Replaces bxdisc with the runner; returns only when that fails (exit status 2).
int RunTry(const TryOptions& options);
