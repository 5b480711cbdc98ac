#include "kit/cli/CommandLine.h"

#include <cstring>

namespace {

const size_t kLineWidth = 79;

const OptionRule* FindOption(const Command& command, const std::string& name) {
    for (const OptionRule& o : command.options)
        if (name == o.name) return &o;
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

std::string OptionUsage(const OptionRule& o) {
    std::string text = o.name;
    if (o.value) text += std::string(" ") + (o.choices ? o.choices : o.value);
    return o.required ? text : "[" + text + "]";
}

}  // namespace

std::string ParsedArgs::Get(const char* name, const char* fallback) const {
    auto it = options.find(name);
    return it == options.end() ? fallback : it->second;
}

ParseOutcome ParseCommandLine(const Command& command, int argc, char** argv, int first, ParsedArgs* args,
                              std::string* error) {
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
        const OptionRule* o = FindOption(command, arg);
        if (!o) {
            *error = "bxdisc " + std::string(command.name) + " has no option " + arg;
            return kUsageError;
        }
        if (args->Has(o->name)) {
            *error = arg + " is given twice";
            return kUsageError;
        }
        std::string value;
        if (o->value) {
            if (i + 1 >= argc) {
                *error = arg + " needs a value (" + o->value + ")";
                return kUsageError;
            }
            value = argv[++i];
            if (o->choices && !AmongChoices(o->choices, value)) {
                *error = arg + " takes " + o->choices + ", not \"" + value + "\"";
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
        if (o.required && !args->Has(o.name)) {
            *error = std::string(o.name) + " is needed";
            return kUsageError;
        }
    }
    if ((int)args->operands.size() != command.operandCount) {
        *error = "bxdisc " + std::string(command.name) + " takes " + command.operands;
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
        std::string head = "  " + std::string(o.name) + (o.value ? std::string(" ") + o.value : "");
        if (head.size() < 26) head.resize(26, ' ');
        else head += "\n" + std::string(26, ' ');
        text += head + o.help + "\n";
    }
    return text;
}
