// Writes the man page's RULES entries from the rules' own declarations, so
// that the page and --list-rules never tell two stories:
//     bxdisc_rules_page PAGE_IN PAGE_OUT
// copies the page and puts the entries in place of its line that begins
// with the marker.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kit/check/RuleTable.h"

namespace {

const char kMarker[] = ".\\\" RULES:";

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

// By id, as a reader looks a rule up.
std::string Entries() {
    std::vector<const CheckRule*> rules(kCheckRules, kCheckRules + kCheckRuleCount);
    std::stable_sort(rules.begin(), rules.end(),
                     [](const CheckRule* a, const CheckRule* b) { return strcmp(a->id, b->id) < 0; });
    std::string text;
    for (const CheckRule* rule : rules)
        text += std::string(".TP\n.B ") + rule->id + " " + rule->name + "\n(" + (rule->note ? "note" : "finding") + ") " +
                Roff(rule->summary) + "\n.br\nFix: " + Roff(GeneralRemedy(*rule)) + ".\n";
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: bxdisc_rules_page PAGE_IN PAGE_OUT\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    std::ostringstream page;
    bool bPlaced = false;
    for (std::string line; std::getline(in, line);) {
        bool bMarker = line.compare(0, strlen(kMarker), kMarker) == 0;
        page << (bMarker ? Entries() : line + "\n");
        bPlaced = bPlaced || bMarker;
    }
    if (!in.eof() || !bPlaced) {
        fprintf(stderr, "bxdisc_rules_page: %s: %s\n", argv[1], bPlaced ? "cannot be read" : "no RULES marker");
        return 1;
    }
    std::ofstream out(argv[2]);
    out << page.str();
    out.close();
    if (!out) {
        fprintf(stderr, "bxdisc_rules_page: %s: cannot be written\n", argv[2]);
        return 1;
    }
    return 0;
}
