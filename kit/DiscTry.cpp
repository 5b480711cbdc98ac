#include "kit/DiscTry.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kit/DiscFolder.h"
#include "params/ParamFile.h"
#include "ui/FrontLayout.h"

#ifndef BXDISC_SOURCE_DIR
#define BXDISC_SOURCE_DIR "."
#endif
#ifndef BXDISC_TOOLS_DIR
#define BXDISC_TOOLS_DIR BXDISC_SOURCE_DIR "/build/win32/tests/tools"
#endif

namespace {

bool OneOf(const std::string& value, const char* const* names) {
    for (; *names; ++names)
        if (value == *names) return true;
    return false;
}

// The path of a file the parameter names, relative to the folder; "" when it
// is not there or is a folder.
std::string Named(const std::string& folder, const CParamFile& params, ParamKey key) {
    std::string path = FindOnDisc(folder, params.GetValue(key).GetString());
    if (path.empty() || IsFolder(path)) return std::string();
    return path.substr(folder.size() + 1);
}

}  // namespace

bool ValidTryOptions(const TryOptions& o) {
    static const char* const kSystems[] = {"win95", "win98", "winme", "nt40", "win2k", "winxp", nullptr};
    static const char* const kClicks[] = {"", "run", "again", "install", "exit", nullptr};
    static const char* const kAnswers[] = {"", "yes", "no", nullptr};
    static const char* const kLibraries[] = {"", "4.0", "3.50", nullptr};
    return OneOf(o.system, kSystems) && OneOf(o.click, kClicks) && OneOf(o.answer, kAnswers) &&
           OneOf(o.oleaut32, kLibraries) &&
           o.timeout >= 0 && o.timeout <= 3600;
}

std::vector<std::string> TryCommand(const TryOptions& o, const std::string& runner,
                                    const std::string& tools, std::string* error) {
    std::string folder = o.folder;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!IsFolder(folder)) {
        *error = "cannot read the folder " + o.folder;
        return {};
    }
    std::string launcher = FindOnDisc(folder, o.launcher);
    if (launcher.empty() || IsFolder(launcher)) {
        *error = "no " + o.launcher + " in " + folder + ": the disc has no launcher to try";
        return {};
    }
    std::vector<std::string> cmd = {"python3", runner, "--disc", folder, "--tools", tools,
                                    "--launcher", launcher.substr(folder.size() + 1),
                                    "--system", o.system};
    char ids[64];
    snprintf(ids, sizeof ids, "%d,%d,%d,%d", IDC_RUN, IDC_SETUP_AGAIN, IDC_INSTALL, IDC_EXIT);
    cmd.insert(cmd.end(), {"--buttons", ids});
    std::string inf = FindOnDisc(folder, "Autorun.inf");
    if (!inf.empty()) {
        // The runner stands recorders in for the programs, installs the
        // package with --installed and knows the painted window by its backdrop.
        CParamFile params(inf.c_str());
        const struct { const char* option; ParamKey key; } kFiles[] = {
            {"--setup-exe", SetupExe}, {"--dcom", InstDCOM95},
            {"--package", SetupMSI},   {"--backdrop", AutorunBackdrop},
        };
        for (const auto& f : kFiles) {
            std::string rel = Named(folder, params, f.key);
            if (!rel.empty()) cmd.insert(cmd.end(), {f.option, rel});
        }
    }
    if (o.show) cmd.push_back("--show");
    if (o.installed) cmd.push_back("--installed");
    if (!o.screenshot.empty()) cmd.insert(cmd.end(), {"--screenshot", o.screenshot});
    if (!o.click.empty()) cmd.insert(cmd.end(), {"--click", o.click});
    if (!o.answer.empty()) cmd.insert(cmd.end(), {"--answer", o.answer});
    if (!o.oleaut32.empty()) cmd.insert(cmd.end(), {"--oleaut32", o.oleaut32});
    if (o.timeout) cmd.insert(cmd.end(), {"--timeout", std::to_string(o.timeout)});
    if (o.bArgs) {
        cmd.push_back("--");
        cmd.insert(cmd.end(), o.args.begin(), o.args.end());
    }
    return cmd;
}

int RunTry(const TryOptions& options) {
    const char* tools = getenv("BXDISC_TOOLS");
    std::string error;
    std::vector<std::string> cmd = TryCommand(options, BXDISC_SOURCE_DIR "/kit/disc_try.py",
                                              tools && *tools ? tools : BXDISC_TOOLS_DIR, &error);
    if (cmd.empty()) {
        fprintf(stderr, "bxdisc: %s\n", error.c_str());
        return 2;
    }
    std::vector<char*> argv;
    for (std::string& s : cmd) argv.push_back(&s[0]);
    argv.push_back(nullptr);
    fflush(nullptr);
    execvp(argv[0], argv.data());
    fprintf(stderr, "bxdisc: cannot start python3 (%s): run %s/scripts/install-deps.sh as root\n",
            strerror(errno), BXDISC_SOURCE_DIR);
    return 2;
}
