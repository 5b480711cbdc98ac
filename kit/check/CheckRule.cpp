#include "kit/check/CheckRule.h"

#include <cstring>

std::string FillRemedy(const char* remedy, const RemedyTerms& terms) {
    const struct {
        const char* name;
        const std::string& value;
    } kTerms[] = {{"{launcher}", terms.launcher}, {"{disc}", terms.disc}, {"{key}", terms.key}};
    std::string text;
    // One pass, so that a folder's name is never read as a term.
    for (const char* at = remedy; *at;) {
        bool bTerm = false;
        for (const auto& term : kTerms) {
            size_t n = strlen(term.name);
            if (strncmp(at, term.name, n) != 0) continue;
            text += term.value;
            at += n;
            bTerm = true;
            break;
        }
        if (!bTerm) text += *at++;
    }
    return text;
}
