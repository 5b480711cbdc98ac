#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kit/cli/Commands.h"
#include "kit/cli/DataFolder.h"
#include "kit/disc/ExitStatus.h"
#include "kit/disc/DiscFolder.h"
#include "kit/try/RunnerCommand.h"

namespace {

// try's numeric options: whole numbers in these ranges.
const struct {
    const char* option;
    long least, most;
} kRanges[] = {
    {"--timeout", 1, 3600},
    // 100% to 500% scaling.
    {"--dpi", 96, 480},
};

bool WholeIn(const std::string& text, long least, long most) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    long n = strtol(text.c_str(), nullptr, 10);  // LONG_MAX past its range
    return n >= least && n <= most;
}

// Replaces bxdisc with the runner; returns only when that fails.
int RunTry(const ParsedArgs& args) {
    for (const auto& r : kRanges) {
        if (args.Has(r.option) && !WholeIn(args.Get(r.option), r.least, r.most)) {
            fprintf(stderr, "bxdisc try: %s takes %ld to %ld, not \"%s\"\nusage: %s\n", r.option, r.least, r.most,
                    args.Get(r.option).c_str(), Synopsis(kTryCommand).c_str());
            return kExitFailed;
        }
    }
    if (args.Has("--screenshot") && args.Get("--screenshot").empty()) {
        fprintf(stderr, "bxdisc try: --screenshot takes a file\nusage: %s\n", Synopsis(kTryCommand).c_str());
        return kExitFailed;
    }
    // The disc first: its faults are the author's to mend, whatever is installed.
    std::string looked;
    std::string data = FindDataFolder(&looked);
    std::string error;
    std::vector<std::string> cmd = RunnerCommand(kTryCommand, args, data, &error);
    if (cmd.empty()) {
        fprintf(stderr, "bxdisc: %s\n", error.c_str());
        return kExitFailed;
    }
    if (data.empty() || !IsFolder(data + "/try") || !IsFolder(data + "/winerunner")) {
        fprintf(stderr,
                "bxdisc try: the Wine runner is not in %s; build it with the cross build\n"
                "  (cmake -S SOURCE -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake && ninja -C build/win32)\n"
                "  or name a folder that holds try/ and winerunner/ in $BXDISC_DATA\n",
                looked.c_str());
        return kExitFailed;
    }
    std::vector<char*> argv;
    for (std::string& s : cmd) argv.push_back(&s[0]);
    argv.push_back(nullptr);
    fflush(nullptr);
    execvp(argv[0], argv.data());
    fprintf(stderr, "bxdisc try: cannot start python3 (%s): install python3\n", strerror(errno));
    return kExitFailed;
}

}  // namespace

const Command kTryCommand = {
    "try",
    "DISC_FOLDER",
    1,
    "Runs the disc's launcher on emulated Windows (Wine) in a sandbox, with recorders standing in\n"
    "for the programs it starts, and reports what it did. Exit status: 0 it did what the disc\n"
    "intends, 1 it showed an error message or hung, 2 the disc, Wine or the sandbox cannot be used.",
    {
        {"--system", "SYSTEM", "the emulated Windows (default win10; win11 where this Wine knows it)",
         "win95|win98|winme|nt40|win2k|winxp|win7|win8|win10|win11", false},
        {"--show", nullptr, "shows the window in a nested X server on $DISPLAY, for you to click", nullptr, false},
        {"--installed", nullptr, "installs the disc's package first: the product counts as installed", nullptr, false},
        {"--screenshot", "OUT.png", "a picture of the front window once it is painted", nullptr, false},
        {"--click", "BUTTON", "clicks that button of the front window", "run|again|install|exit", false},
        {"--answer", "ANSWER", "answers the launcher's questions (default yes)", "yes|no", false},
        {"--oleaut32", "VERSION", "the system's automation library: a stand-in of that version", "4.0|3.50", false},
        {"--timeout", "SECONDS", "the longest wait for the launcher's next move (default 30)", nullptr, false},
        {"--dpi", "DPI", "the screen's DPI, 96 to 480 (default 96): 192 is 200% scaling", nullptr, false},
        {"--launcher", "NAME", "the launcher's file at the disc's root (default setup.exe)", nullptr, false},
        {"--fresh", nullptr, "a new prefix for this run, not a copy of the cached one", nullptr, false},
        {"--no-sandbox", nullptr, "runs the disc's programs unconfined, where bubblewrap cannot run", nullptr,
         false},
    },
    true,
    RunTry,
};
