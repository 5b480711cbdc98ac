#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kit/cli/Commands.h"
#include "kit/cli/DataFolder.h"
#include "kit/cli/ExitStatus.h"
#include "kit/cli/Version.h"
#include "kit/disc/DiscFolder.h"
#include "kit/try/TryRequest.h"
#include "kit/try/TrySchema.h"

namespace {

bool WholeIn(const std::string& text, long least, long most) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    long n = strtol(text.c_str(), nullptr, 10);  // LONG_MAX past its range
    return n >= least && n <= most;
}

// --shard's "I/N": whole numbers with 1 <= I <= N <= the systems try knows.
bool ShardForm(const std::string& text) {
    size_t slash = text.find('/');
    if (slash == std::string::npos) return false;
    std::string total = text.substr(slash + 1);
    return WholeIn(total, 1, BX_TRY_SYSTEM_COUNT) &&
           WholeIn(text.substr(0, slash), 1, strtol(total.c_str(), nullptr, 10));
}

int UsageError(const std::string& message) {
    fprintf(stderr, "bxdisc try: %s\nusage: %s\n", message.c_str(), Synopsis(kTryCommand).c_str());
    return kExitUnusable;
}

// The runner's standard input: the request in a file in memory, so that it
// goes with the runner and nothing is left behind. tmpfile() would put it in
// /tmp whatever $TMPDIR says, and fail where /tmp is not writable.
bool RequestAsInput(const std::string& request) {
    int fd = memfd_create("bxdisc-try-request", 0);
    if (fd < 0) return false;
    if (write(fd, request.data(), request.size()) != (ssize_t)request.size() || lseek(fd, 0, SEEK_SET) != 0 ||
        (fd != 0 && dup2(fd, 0) != 0)) {
        int e = errno;  // for the message, past close
        close(fd);
        errno = e;
        return false;
    }
    // Already standard input when bxdisc was started without one.
    if (fd != 0) close(fd);
    return true;
}

// What is wrong with an empty path's option, or "".
std::string EmptyPath(const ParsedArgs& args) {
    for (const char* path : {"--screenshot", "--html", "--junit", "--results"}) {
        if (args.Has(path) && args.Get(path).empty()) {
            bool folder = !strcmp(path, "--html") || !strcmp(path, "--results");
            return std::string(path) + (folder ? " takes a folder" : " takes a file");
        }
    }
    return std::string();
}

// What --whole cannot go with, and what to do instead; "" when nothing. It
// drives every window itself, from the automatic start to the uninstall.
std::string WholeFault(const ParsedArgs& args) {
    const std::pair<const char*, const char*> refused[] = {
        {"--click", "it clicks Install, then Run, itself; leave --click out"},
        {"--installed", "it installs the disc's package with the disc's own setup program; leave --installed out"},
        {"--show", "it answers every window itself; run it without --show"},
    };
    for (const auto& r : refused)
        if (args.Has(r.first)) return std::string("--whole cannot go with ") + r.first + ": " + r.second;
    if (args.bTail) return "--whole takes nothing after --: it starts the disc as its automatic start does";
    return std::string();
}

// bxdisc's data folder, which holds the runner's package beside the Wine
// runner's; "" once said what is missing.
std::string RunnerData() {
    std::string looked;
    std::string data = FindDataFolder(&looked);
    if (data.empty() || !IsFolder(data + "/bxdisc_try") || !IsFolder(data + "/winerunner")) {
        fprintf(stderr,
                "bxdisc try: the Wine runner is not in %s; build it with the cross build\n"
                "  (cmake -S SOURCE -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake && ninja -C build/win32)\n"
                "  or name a folder that holds bxdisc_try/ and winerunner/ in $BXDISC_DATA\n",
                looked.c_str());
        return std::string();
    }
    if (data.find(':') != std::string::npos) {
        fprintf(stderr, "bxdisc try: its data folder %s has a \":\" in its path, which PYTHONPATH cannot hold\n",
                data.c_str());
        return std::string();
    }
    return data;
}

// Replaces bxdisc with "python3 -P -B -m bxdisc_try words...", its imports
// from the data folder alone: -P leaves out the current folder (a disc, maybe
// someone else's), -B writes nothing into a data folder that is not ours.
// Returns only when that fails.
int ExecRunner(const std::string& data, std::vector<std::string> words) {
    if (setenv("PYTHONPATH", data.c_str(), 1) != 0) {
        fprintf(stderr, "bxdisc try: cannot set PYTHONPATH (%s)\n", strerror(errno));
        return kExitUnusable;
    }
    std::vector<char*> argv = {(char*)"python3", (char*)"-P", (char*)"-B", (char*)"-m", (char*)"bxdisc_try"};
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    fflush(nullptr);
    execvp(argv[0], argv.data());
    fprintf(stderr, "bxdisc try: cannot start python3 (%s): install python3\n", strerror(errno));
    return kExitUnusable;
}

// --merge: the operands are shards' --results folders, and no run's options go with it.
int RunMerge(const ParsedArgs& args) {
    for (const OptionRule& o : kTryCommand.options)
        if (args.Has(o.name) && strcmp(o.name, "--merge") && strcmp(o.name, "--html") && strcmp(o.name, "--junit"))
            return UsageError(std::string("--merge cannot go with ") + o.name);
    if (args.bTail) return UsageError("--merge takes nothing after --");
    if (!args.Has("--html") && !args.Has("--junit"))
        return UsageError("--merge needs --html DIR or --junit FILE (or both)");
    std::string fault = EmptyPath(args);
    if (!fault.empty()) return UsageError(fault);
    std::string data = RunnerData();
    if (data.empty()) return kExitUnusable;
    std::vector<std::string> words = {"merge", std::string("--bxdisc=") + kBxdiscVersion};
    for (const char* path : {"--html", "--junit"})
        if (args.Has(path)) words.push_back(std::string(path) + "=" + args.Get(path));
    words.push_back("--");
    words.insert(words.end(), args.operands.begin(), args.operands.end());
    return ExecRunner(data, words);
}

// Replaces bxdisc with the runner; returns only when that fails.
int RunTry(const ParsedArgs& args) {
    if (args.Has("--merge")) return RunMerge(args);
    if (args.Has("--matrix")) {
        for (const char* alone : {"--system", "--show", "--screenshot"})
            if (args.Has(alone)) return UsageError(std::string("--matrix cannot go with ") + alone);
    } else {
        for (const char* with : {"--jobs", "--html", "--junit", "--shard", "--results"})
            if (args.Has(with)) return UsageError(std::string(with) + " goes only with --matrix");
    }
    if (args.Has("--shard") && !ShardForm(args.Get("--shard"))) {
        char form[96];
        snprintf(form, sizeof form, "--shard takes I/N, whole numbers with 1 <= I <= N <= %d, not \"",
                 BX_TRY_SYSTEM_COUNT);
        return UsageError(form + args.Get("--shard") + "\"");
    }
    if (args.Has("--whole")) {
        std::string fault = WholeFault(args);
        if (!fault.empty()) return UsageError(fault);
    }
    std::string fault = EmptyPath(args);
    if (!fault.empty()) return UsageError(fault);
    // The disc first: its faults are the author's to mend, whatever is installed.
    // The request checks the numbers against their ranges.
    std::string error;
    bool bUsage = false;
    std::string request = TryRequestJson(kTryCommand, args, &error, &bUsage);
    if (request.empty()) {
        if (bUsage) return UsageError(error);
        fprintf(stderr, "bxdisc: %s\n", error.c_str());
        return kExitUnusable;
    }
    std::string data = RunnerData();
    if (data.empty()) return kExitUnusable;
    if (!RequestAsInput(request)) {
        fprintf(stderr, "bxdisc try: cannot hand the runner its request in a temporary file (%s)\n", strerror(errno));
        return kExitUnusable;
    }
    return ExecRunner(data, {"run"});
}

}  // namespace

const Command kTryCommand = {
    "try",
    "DISC_FOLDER",
    1,
    "Runs the disc's launcher on emulated Windows (Wine) in a sandbox, with recorders standing in\n"
    "for the programs it starts, and reports what it did. Exit status: 0 it did what the disc\n"
    "intends (with --matrix: on every system), 1 it showed an error message or hung, 2 the disc,\n"
    "Wine or the sandbox cannot be used.",
    {
        {"--system", "SYSTEM",
         "the emulated Windows (default " BX_TRY_DEFAULT_SYSTEM "; " BX_TRY_NEWER_SYSTEMS " where this Wine knows it)",
         BX_TRY_SYSTEMS, false},
        {"--matrix", "SYSTEMS",
         "runs the disc on each system (default: every one this Wine emulates)\n"
         "                          side by side",
         BX_TRY_SYSTEMS, false, false, true},
        {"--jobs", BX_TRY_JOBS_UNIT, "runs at once with --matrix (default: enough to keep the cores busy)", nullptr, false,
         false, false, "-j"},
        {"--html", "DIR", "with --matrix, a page of the runs' screenshots and reports in DIR", nullptr, false},
        {"--junit", "FILE", "with --matrix, a JUnit report, one testcase per system", nullptr, false},
        {"--shard", "I/N", "with --matrix, runs only the I-th of N equal parts of the systems", nullptr, false},
        {"--results", "DIR", "with --matrix, keeps each run's result, report and screenshot in DIR\n"
         "                          (new or empty) for --merge", nullptr, false},
        {"--merge", nullptr,
         "merges every shard's --results folder (RESULTS_DIR..., given instead of\n"
         "                          DISC_FOLDER) into one table, --html page and --junit report",
         nullptr, false, false, false, nullptr, "RESULTS_DIR"},
        {"--whole", nullptr,
         "the disc's whole life for real: its own setup program, package and\n"
         "                          product installed, started, started again and uninstalled", nullptr, false},
        {"--show", nullptr, "shows the window in a nested X server on $DISPLAY, for you to click", nullptr, false},
        {"--installed", nullptr, "installs the disc's package first: the product counts as installed", nullptr, false},
        {"--screenshot", "OUT.png", "a picture of the front window once it is painted", nullptr, false},
        {"--click", "BUTTON", "clicks that button of the front window", BX_TRY_BUTTONS, false},
        {"--answer", "ANSWER", "answers the launcher's questions (default yes)", BX_TRY_ANSWER_CHOICES, false},
        {"--oleaut32", "VERSION", "the system's automation library: a stand-in of that version",
         BX_TRY_OLEAUT32_CHOICES, false},
        {"--timeout", BX_TRY_TIMEOUT_UNIT,
         "the longest wait for the launcher's next move (default " BX_TRY_TIMEOUT_DEFAULT ")", nullptr, false},
        {"--dpi", BX_TRY_DPI_UNIT,
         "the screen's DPI, " BX_TRY_DPI_RANGE " (default " BX_TRY_DPI_DEFAULT "): 192 is 200% scaling", nullptr,
         false},
        {"--launcher", "NAME", "the launcher's file at the disc's root (default setup.exe)", nullptr, false},
        {"--fresh", nullptr, "a new prefix for this run, not a copy of the cached one", nullptr, false},
        {"--no-sandbox", nullptr, "runs the disc's programs unconfined, where bubblewrap cannot run", nullptr,
         false},
    },
    true,
    RunTry,
    "runs the launcher under Wine in a sandbox, reports what it did",
};
