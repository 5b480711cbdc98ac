// Writes the man page's entries that come from bxdisc's own tables, so that
// the page never tells another story: RULES from the rules' declarations, as
// --list-rules lists them, and EXIT STATUS from the table of exit statuses
// that try's runner reads too.
//     bxdisc_man_page PAGE_IN PAGE_OUT
// copies the page and puts each section's entries in place of its line that
// begins with the section's marker.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "kit/check/RuleTable.h"
#include "kit/cli/ExitStatus.h"

namespace {

// roff's text: a backslash as \e, and every dash of an option as \-, so that
// it is typed as a minus and can be searched for.
std::string Roff(const std::string& text) {
    std::string roff;
    bool bOption = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '-' && (i == 0 || text[i - 1] == ' ' || text[i - 1] == '(')) bOption = true;
        if (c == ' ') bOption = false;
        roff += c == '\\' ? "\\e" : c == '-' && bOption ? "\\-" : std::string(1, c);
    }
    return roff;
}

// roff's text with each option ("--matrix") in bold, as the page sets them.
std::string RoffBold(const std::string& text) {
    std::string roff;
    size_t at = 0;
    for (size_t start; (start = text.find("--", at)) != std::string::npos;) {
        size_t end = std::min(text.find_first_of(" ,.;:)", start), text.size());
        roff += Roff(text.substr(at, start - at)) + "\\fB" + Roff(text.substr(start, end - start)) + "\\fR";
        at = end;
    }
    return roff + Roff(text.substr(at));
}

// By id, as a reader looks a rule up.
std::string RuleEntries() {
    std::vector<const CheckRule*> rules(kCheckRules, kCheckRules + kCheckRuleCount);
    std::stable_sort(rules.begin(), rules.end(),
                     [](const CheckRule* a, const CheckRule* b) { return strcmp(a->id, b->id) < 0; });
    std::string text;
    for (const CheckRule* rule : rules)
        text += std::string(".TP\n.B ") + rule->id + " " + rule->name + "\n(" + (rule->note ? "note" : "finding") + ") " +
                Roff(rule->summary) + "\n.br\nFix: " + Roff(GeneralRemedy(*rule)) + ".\n";
    return text;
}

// By number; what a status means for every command, then for try.
std::string ExitStatusEntries() {
    std::string text;
    for (const ExitStatusMeaning& s : kExitStatusMeanings) {
        text += ".TP\n.B " + std::to_string(s.status) + "\n";
        if (s.meaning) text += RoffBold(s.meaning) + "; ";
        text += "for \\fBtry\\fR: " + RoffBold(s.forTry) + ".\n";
    }
    return text;
}

const struct {
    const char* marker;
    std::string (*entries)();
} kSections[] = {
    {".\\\" RULES:", RuleEntries},
    {".\\\" EXIT STATUS:", ExitStatusEntries},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: bxdisc_man_page PAGE_IN PAGE_OUT\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    std::ostringstream page;
    size_t placed = 0;
    for (std::string line; std::getline(in, line);) {
        auto section = std::find_if(std::begin(kSections), std::end(kSections), [&](const auto& s) {
            return line.compare(0, strlen(s.marker), s.marker) == 0;
        });
        page << (section != std::end(kSections) ? section->entries() : line + "\n");
        placed += section != std::end(kSections);
    }
    if (!in.eof() || placed != std::size(kSections)) {
        fprintf(stderr, "bxdisc_man_page: %s: %s\n", argv[1],
                !in.eof() ? "cannot be read" : "not one marker for each of RULES and EXIT STATUS");
        return 1;
    }
    std::ofstream out(argv[2]);
    out << page.str();
    out.close();
    if (!out) {
        fprintf(stderr, "bxdisc_man_page: %s: cannot be written\n", argv[2]);
        return 1;
    }
    return 0;
}
