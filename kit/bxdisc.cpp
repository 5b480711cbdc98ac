// bxdisc, the disc author's tool: starts a disc, checks a disc folder for
// the launcher, previews its front window, makes its artwork, signs it, makes its image,
// and tries the launcher on it under Wine. One table of commands, each with its own
// options beside its own work.
#include <cstdio>
#include <cstring>
#include <string>

#include "kit/cli/Commands.h"
#include "kit/cli/Version.h"
#include "kit/cli/ExitStatus.h"

namespace {

const Command* const kCommands[] = {&kNewCommand,   &kCheckCommand, &kPreviewCommand, &kArtCommand,
                                        &kSignCommand,  &kImageCommand, &kTryCommand};

const char kExitStatuses[] =
    "Exit status: 0 done and clean, 1 findings, 2 unusable input or failure;\n"
    "try: 0 the launcher did what the disc intends (with --matrix: on every system), 1 it\n"
    "showed an error message or hung, 2 the disc or Wine cannot be used.\n";

const Command* FindCommand(const char* name) {
    for (const Command* c : kCommands)
        if (strcmp(c->name, name) == 0) return c;
    return nullptr;
}

const char kReadMore[] = "'bxdisc help COMMAND' tells more of each; 'man bxdisc' tells everything.\n";

std::string Usage() {
    std::string text;
    for (const Command* c : kCommands) text += (text.empty() ? "usage: " : "       ") + Synopsis(*c) + "\n";
    return text;
}

// The usage, then a line on what each command does, as git help lists them.
std::string Help() {
    std::string text = Usage() + "\ncommands:\n";
    for (const Command* c : kCommands) {
        std::string name = "  " + std::string(c->name);
        name.resize(11, ' ');
        text += name + c->brief + "\n";
    }
    return text + "\n" + kReadMore + kExitStatuses;
}

int UsageError(const std::string& error) {
    fprintf(stderr, "bxdisc: %s\n%s%s%s", error.c_str(), Usage().c_str(), kReadMore, kExitStatuses);
    return kExitUnusable;
}

bool IsHelp(const char* arg) { return !strcmp(arg, "-h") || !strcmp(arg, "--help"); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return UsageError("no command");
    if (!strcmp(argv[1], "--version")) {
        printf("bxdisc %s\n", kBxdiscVersion);
        return kExitClean;
    }
    if (IsHelp(argv[1]) || (!strcmp(argv[1], "help") && argc == 2)) {
        fputs(Help().c_str(), stdout);
        return kExitClean;
    }
    bool bHelp = !strcmp(argv[1], "help");
    const char* name = bHelp ? argv[2] : argv[1];
    const Command* command = FindCommand(name);
    if (!command) return UsageError(std::string("no command ") + name);
    if (bHelp) {
        if (argc > 3) return UsageError("help takes one command");
        fputs(CommandHelp(*command).c_str(), stdout);
        return kExitClean;
    }
    ParsedArgs args;
    std::string error;
    switch (ParseCommandLine(*command, argc, argv, 2, &args, &error)) {
    case kHelpAsked:
        fputs(CommandHelp(*command).c_str(), stdout);
        return kExitClean;
    case kUsageError:
        fprintf(stderr, "bxdisc %s: %s\nusage: %s\n", command->name, error.c_str(), Synopsis(*command).c_str());
        return kExitUnusable;
    case kParsed:
        break;
    }
    return command->run(args);
}
