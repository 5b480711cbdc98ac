#include "framework/CommandLine.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

const char* SkipProgramName(const char* p) {
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p && !IsBlank(*p)) ++p;
    }
    while (IsBlank(*p)) ++p;
    return p;
}

const char* NextArgument(const char* p, CString& arg) {
    arg.Empty();
    while (IsBlank(*p)) ++p;
    if (!*p) return nullptr;

    bool inQuote = false;
    while (*p && (inQuote || !IsBlank(*p))) {
        int nSlashes = 0;
        while (*p == '\\') ++p, ++nSlashes;
        if (*p == '"') {
            // 2n backslashes: n of them, and the quote groups;
            // 2n+1: n of them and a literal quote.
            for (int i = 0; i < nSlashes / 2; ++i) arg += '\\';
            if (nSlashes % 2) {
                arg += '"';
            } else if (inQuote && p[1] == '"') {
                arg += '"';  // "" inside quotes: one literal quote
                ++p;
                inQuote = false;
            } else {
                inQuote = !inQuote;
            }
            ++p;
        } else {
            for (int i = 0; i < nSlashes; ++i) arg += '\\';
            if (*p && (inQuote || !IsBlank(*p))) arg += *p++;
        }
    }
    return p;
}

const char* CommandLineTail(const char* p) {
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while ((unsigned char)*p > ' ') ++p;
    }
    while (*p && (unsigned char)*p <= ' ') ++p;
    return p;
}
