#include "kit/disc/DiscText.h"

#include <cstring>

#include "framework/CommandLine.h"
#include "framework/CommandLineInfo.h"
#include "framework/String.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0x1A; }

// Takes the launcher's own switch test: an argument whose name before any
// colon is "Autorun", with or without its leading slash or hyphen.
class CAutorunSwitch : public CCommandLineInfo {
public:
    bool m_bAutorun = false;
    void ParseParam(const char* pszParam, BOOL, BOOL) override {
        CString strName(pszParam);
        int nColon = strName.Find(':');
        if (nColon >= 0) strName = strName.Left(nColon);
        if (strName.CompareNoCase("Autorun") == 0) m_bAutorun = true;
    }
};

}  // namespace

bool HasProfileSection(const char* text, size_t length, const char* section) {
    return ProfileLine(text, length, section, nullptr) != 0;
}

int ProfileLine(const char* text, size_t length, const char* section, const char* key) {
    const char* p = text;
    const char* pEnd = text + length;
    if (length >= 3 && memcmp(p, "\xEF\xBB\xBF", 3) == 0) p += 3;
    int line = 0;
    bool bInside = false;
    while (p < pEnd) {
        ++line;
        const char* pLineEnd = p;
        while (pLineEnd < pEnd && *pLineEnd != '\n' && *pLineEnd != '\r') ++pLineEnd;
        const char* b = p;
        const char* e = pLineEnd;
        p = pLineEnd + (pLineEnd + 1 < pEnd && pLineEnd[0] == '\r' && pLineEnd[1] == '\n' ? 2 : 1);
        while (b < e && IsSpace(*b)) ++b;
        while (e > b && IsSpace(e[-1])) --e;
        if (b == e) continue;
        const char* pClose = e;
        if (*b == '[')
            while (pClose > b && pClose[-1] != ']') --pClose;
        if (*b == '[' && pClose > b) {
            // The reader looks at the first section of the name only.
            if (bInside) return 0;
            const char* nb = b + 1;
            const char* ne = pClose - 1;
            while (nb < ne && IsSpace(*nb)) ++nb;
            while (ne > nb && IsSpace(ne[-1])) --ne;
            bInside = CString(nb, (int)(ne - nb)).CompareNoCase(section) == 0;
            if (bInside && !key) return line;
            continue;
        }
        if (!bInside) continue;
        const char* pEq = b;
        while (pEq < e && *pEq != '=') ++pEq;
        const char* ke = pEq;
        while (ke > b && IsSpace(ke[-1])) --ke;
        if (CString(b, (int)(ke - b)).CompareNoCase(key) == 0) return line;
    }
    return 0;
}

AutorunOpen ReadAutorunOpen(const char* commandLine) {
    AutorunOpen open;
    CString strProgram;
    NextArgument(commandLine, strProgram);
    open.program = strProgram.GetString();
    CAutorunSwitch info;
    ParseCommandLine(commandLine, info);
    open.autorunSwitch = info.m_bAutorun;
    return open;
}

std::string FoldName(const std::string& name) {
    std::string strCp;
    bool bCp = Utf8ToCp1252(name, &strCp);
    if (!bCp) strCp = name;  // outside the code page: only ASCII folds
    for (char& c : strCp)
        if (bCp || (unsigned char)c < 0x80) c = (char)UpperCp1252((unsigned char)c);
    return strCp;
}

bool NamesLauncher(const std::string& program, const std::string& launcher) {
    std::string name = program;
    // Relative to the disc's root either way.
    if (name.compare(0, 2, ".\\") == 0 || name.compare(0, 2, "./") == 0) name.erase(0, 2);
    else if (!name.empty() && (name[0] == '\\' || name[0] == '/')) name.erase(0, 1);
    return !name.empty() && CompareNoCase(name.c_str(), launcher.c_str()) == 0;
}

bool IsShortName(const std::string& name) {
    size_t nDot = name.find('.');
    std::string base = name.substr(0, nDot);
    std::string ext = nDot == std::string::npos ? std::string() : name.substr(nDot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
    if (nDot != std::string::npos && ext.empty()) return false;
    for (unsigned char c : base + ext) {
        if (c <= ' ' || strchr("\"*+,./:;<=>?[\\]|", c)) return false;
    }
    return true;
}

bool IsVolumeLabel(const std::string& label) {
    if (label.empty() || label.size() > 16) return false;
    for (char c : label) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
    }
    return true;
}
