// A rule of the check: each finding and note a disc can get, under an id and
// a name that scripts and CI systems may keep (never reuse or renumber one),
// with what it finds and the way out. Each rule is declared beside the code
// that raises it, in rules/.
#pragma once

#include <string>

struct CheckRule {
    const char* id;       // "BX0101"
    const char* name;     // "setupexe-missing"
    bool note;            // the launcher copes: counts only with --strict
    const char* summary;  // what it finds, in one sentence
    // Every way out, in general words; {launcher}, {disc} and {key} stand for
    // this disc's launcher, its folder and the key at fault.
    const char* remedy;
};

// What a remedy's {launcher}, {disc} and {key} become; by default the words
// the rule list uses.
struct RemedyTerms {
    std::string launcher = "setup.exe";
    std::string disc = "DISC";
    std::string key = "open";
};

std::string FillRemedy(const char* remedy, const RemedyTerms& terms);
// The remedy as the rule list, the man page and SARIF give it.
inline std::string GeneralRemedy(const CheckRule& rule) { return FillRemedy(rule.remedy, RemedyTerms()); }
