#include "framework/CommandLine.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One argument from p on, without skipping blanks first. Inside quotes a
// doubled quote is one literal quote and the quotes go on.
const char* ReadArgument(const char* p, CString& arg) {
    arg.Empty();
    bool inQuote = false;
    while (*p && (inQuote || !IsBlank(*p))) {
        int nSlashes = 0;
        while (*p == '\\') ++p, ++nSlashes;
        if (*p != '"') {
            for (int i = 0; i < nSlashes; ++i) arg += '\\';
            if (*p && (inQuote || !IsBlank(*p))) arg += *p++;
            continue;
        }
        // 2n backslashes: n of them, and the quote acts; 2n+1: n and a literal quote.
        for (int i = 0; i < nSlashes / 2; ++i) arg += '\\';
        if (nSlashes % 2) {
            arg += '"';
        } else if (inQuote && p[1] == '"') {
            arg += '"';
            ++p;
        } else {
            inQuote = !inQuote;
        }
        ++p;
    }
    return p;
}

const char* SkipBlanks(const char* p) {
    while (IsBlank(*p)) ++p;
    return p;
}

}  // namespace

const char* SkipProgramName(const char* p) {
    // The program name is read like any argument, from the very first
    // character: a leading blank makes it empty.
    CString name;
    return SkipBlanks(ReadArgument(p, name));
}

const char* NextArgument(const char* p, CString& arg) {
    p = SkipBlanks(p);
    if (!*p) {
        arg.Empty();
        return nullptr;
    }
    return ReadArgument(p, arg);
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
