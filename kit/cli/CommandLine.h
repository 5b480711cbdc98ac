// A bxdisc command's command line, read against the command's own table of
// operands and options; the same table gives its usage.
#pragma once

#include <map>
#include <string>
#include <vector>

struct OptionRule {
    const char* name;     // "--launcher"
    const char* value;    // what the value is, for the usage ("NAME"); null for a flag
    const char* help;     // one line
    const char* choices;  // "a|b|c": the only values taken; null for any
    bool required;
    bool alone = false;   // given, the command takes no operands (--list-rules)
    // Git style: "--matrix" alone or "--matrix=a,b"; the value is only ever
    // after "=", so that a next word stays an operand (one that names its
    // choices is taken for a slip should the operands not add up). With
    // choices, the value is a comma-separated list of them. value names it
    // ("SYSTEMS").
    bool optionalValue = false;
    const char* alias = nullptr;  // "-j", the same as the name
    // Given, the command takes one or more of these ("RESULTS_DIR") in place
    // of its operands (try --merge).
    const char* operandsInstead = nullptr;
};

struct ParsedArgs;

struct Command {
    const char* name;
    const char* operands;  // "DISC_FOLDER OUT.png", for the usage
    int operandCount;
    const char* summary;   // what the command does, for its help
    std::vector<OptionRule> options;
    bool takesTail;        // "-- ARGS...": the rest of the line is the command's
    int (*run)(const ParsedArgs& args);
    const char* brief = "";  // a line of bxdisc --help: what it does, in a few words
};

struct ParsedArgs {
    std::vector<std::string> operands;
    std::map<std::string, std::string> options;
    bool bTail = false;
    std::vector<std::string> tail;
    bool Has(const char* name) const { return options.count(name) != 0; }
    std::string Get(const char* name, const char* fallback = "") const;
};

enum ParseOutcome { kParsed, kHelpAsked, kUsageError };

// Reads argv[first..argc) for the command; options are kept under their
// names, whether given by name or alias. An option's value is the next word
// ("--format json", "-j 3") or follows "=" ("--format=json"); an optional
// value only follows "=". A usage error sets *error to what is wrong: an
// unknown option, one given twice or without its value, an empty value after
// "=", a value after "=" for a flag, a value (or a list's item) not among its
// choices, a missing required option, or operands too few or too many (none
// with an option that stands alone, one or more with one that takes operands
// instead; "did you mean --matrix=win98?" where the word after an optional
// value's option names its choices). -h and --help before any "--" ask for
// the command's help.
ParseOutcome ParseCommandLine(const Command& command, int argc, char** argv, int first, ParsedArgs* args,
                              std::string* error);

// "bxdisc check DISC_FOLDER [--launcher NAME]", in lines that fit a
// terminal after "usage: ".
std::string Synopsis(const Command& command);
// The synopsis, the summary and a line for each option.
std::string CommandHelp(const Command& command);
