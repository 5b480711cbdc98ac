// bxdisc try: the disc's launcher run on emulated Windows (Wine) by try's
// runner script over the Wine runner, after bxdisc has read the disc with
// the launcher's own code.
#pragma once

#include <string>
#include <vector>

#include "kit/cli/CommandLine.h"

// The runner's command line: what the launcher's own reading of the disc
// found (the files Autorun.inf names, as paths relative to the folder, and
// sample pixels of the backdrop, by which the painted window is known), the
// front window's button ids, and try's options as given (--name=value, or
// --name for a flag), then "--" and the launcher's arguments. Empty with
// *error set when the folder or the launcher is not there.
std::vector<std::string> RunnerCommand(const Command& command, const ParsedArgs& args, const std::string& data,
                                       std::string* error);
