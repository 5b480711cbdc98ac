#include "kit/cli/CommandLine.h"

#include <algorithm>
#include <cstring>

namespace {

const size_t kLineWidth = 79;

const OptionRule* FindOption(const Command& command, const std::string& name) {
    for (const OptionRule& o : command.options)
        if (name == o.name || (o.alias && name == o.alias)) return &o;
    return nullptr;
}

bool AmongChoices(const char* choices, const std::string& value) {
    const char* p = choices;
    while (true) {
        const char* bar = strchr(p, '|');
        size_t n = bar ? (size_t)(bar - p) : strlen(p);
        if (value.size() == n && value.compare(0, n, p, n) == 0) return true;
        if (!bar) return false;
        p = bar + 1;
    }
}

// What is wrong with a list of choices ("a,b"), or "" when nothing is.
std::string ListFault(const std::string& name, const OptionRule& o, const std::string& value) {
    std::vector<std::string> seen;
    for (size_t start = 0;;) {
        size_t comma = value.find(',', start);
        std::string item = value.substr(start, comma == std::string::npos ? comma : comma - start);
        if (item.empty()) return name + " has an empty item in \"" + value + "\"";
        if (!AmongChoices(o.choices, item))
            return name + " takes " + o.value + " among " + o.choices + ", not \"" + item + "\"";
        if (std::find(seen.begin(), seen.end(), item) != seen.end()) return name + " names " + item + " twice";
        seen.push_back(item);
        if (comma == std::string::npos) return std::string();
        start = comma + 1;
    }
}

// "--matrix[=SYSTEMS]", "--jobs N", "--show".
std::string OptionWithValue(const OptionRule& o, const char* value) {
    if (o.optionalValue && value) return std::string(o.name) + "[=" + value + "]";
    return value ? std::string(o.name) + " " + value : std::string(o.name);
}

std::string OptionUsage(const OptionRule& o) {
    std::string text = OptionWithValue(o, o.choices && !o.optionalValue ? o.choices : o.value);
    return o.required ? text : "[" + text + "]";
}

}  // namespace

std::string ParsedArgs::Get(const char* name, const char* fallback) const {
    auto it = options.find(name);
    return it == options.end() ? fallback : it->second;
}

ParseOutcome ParseCommandLine(const Command& command, int argc, char** argv, int first, ParsedArgs* args,
                              std::string* error) {
    std::string slip;  // "--matrix win98": what was likely meant
    for (int i = first; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") return kHelpAsked;
        if (arg == "--") {
            if (!command.takesTail) {
                *error = "bxdisc " + std::string(command.name) + " takes nothing after --";
                return kUsageError;
            }
            args->bTail = true;
            args->tail.assign(argv + i + 1, argv + argc);
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            args->operands.push_back(arg);
            continue;
        }
        // "--name=value" or "--name value"; an optional value only after "=".
        size_t equals = arg.compare(0, 2, "--") == 0 ? arg.find('=') : std::string::npos;
        bool bEquals = equals != std::string::npos;
        std::string name = arg.substr(0, equals), value = bEquals ? arg.substr(equals + 1) : std::string();
        const OptionRule* o = FindOption(command, name);
        if (!o) {
            *error = "bxdisc " + std::string(command.name) + " has no option " + name;
            return kUsageError;
        }
        if (args->Has(o->name)) {
            *error = name + " is given twice";
            return kUsageError;
        }
        const char* valueName = o->value ? o->value : "VALUE";
        if (!o->value && !o->optionalValue) {
            if (bEquals) {
                *error = name + " takes no value";
                return kUsageError;
            }
        } else if (bEquals && value.empty()) {
            *error = name + "= is empty: give " + (o->optionalValue ? name + " alone, or " : std::string()) + name +
                     "=" + valueName;
            return kUsageError;
        } else if (o->optionalValue) {
            // A next word that its value could be stays an operand, but names the
            // likely slip should the operands not add up.
            if (!bEquals && o->choices && i + 1 < argc && slip.empty() && ListFault(name, *o, argv[i + 1]).empty()) {
                std::string meant = name + "=" + argv[i + 1];
                slip = name + " takes its " + valueName + " only after \"=\": did you mean " + meant + "?";
            }
            if (bEquals && o->choices) {
                *error = ListFault(name, *o, value);
                if (!error->empty()) return kUsageError;
            }
        } else {
            if (!bEquals) {
                if (i + 1 >= argc) {
                    *error = arg + " needs a value (" + o->value + ")";
                    return kUsageError;
                }
                value = argv[++i];
            }
            if (o->choices && !AmongChoices(o->choices, value)) {
                *error = name + " takes " + o->choices + ", not \"" + value + "\"";
                return kUsageError;
            }
        }
        args->options[o->name] = value;
    }
    for (const OptionRule& o : command.options) {
        if (o.alone && args->Has(o.name)) {
            if (args->operands.empty()) return kParsed;
            *error = std::string(o.name) + " takes no " + command.operands;
            return kUsageError;
        }
    }
    for (const OptionRule& o : command.options) {
        if (o.operandsInstead && args->Has(o.name)) {
            if (!args->operands.empty()) return kParsed;
            *error = std::string(o.name) + " takes one or more " + o.operandsInstead;
            return kUsageError;
        }
    }
    for (const OptionRule& o : command.options) {
        if (o.required && !args->Has(o.name)) {
            *error = std::string(o.name) + " is needed";
            return kUsageError;
        }
    }
    if ((int)args->operands.size() != command.operandCount) {
        *error = slip.empty() ? "bxdisc " + std::string(command.name) + " takes " + command.operands : slip;
        return kUsageError;
    }
    return kParsed;
}

std::string Synopsis(const Command& command) {
    std::vector<std::string> words = {std::string(command.operands)};
    for (const OptionRule& o : command.options) words.push_back(OptionUsage(o));
    if (command.takesTail) words.push_back("[-- ARGS...]");
    // Lines of a terminal's width, the rest under the operands.
    std::string text = "bxdisc " + std::string(command.name);
    size_t indent = text.size() + 1 + strlen("usage: "), column = indent;
    for (const std::string& word : words) {
        if (column + 1 + word.size() > kLineWidth && column > indent) {
            text += "\n" + std::string(indent - 1, ' ');
            column = indent - 1;
        }
        text += " " + word;
        column += 1 + word.size();
    }
    return text;
}

std::string CommandHelp(const Command& command) {
    std::string text = "usage: " + Synopsis(command) + "\n\n" + command.summary + "\n";
    if (!command.options.empty()) text += "\noptions:\n";
    for (const OptionRule& o : command.options) {
        std::string head = "  " + std::string(o.alias ? o.alias : "") + (o.alias ? ", " : "") + OptionWithValue(o, o.value);
        if (head.size() < 26) head.resize(26, ' ');
        else head += "\n" + std::string(26, ' ');
        text += head + o.help + "\n";
    }
    return text;
}
