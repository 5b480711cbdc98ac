#include "kit/check/CheckContext.h"

#include <strings.h>

#include "kit/disc/DiscText.h"
#include "params/ProfileText.h"

CCheckContext::CCheckContext(const CDisc& disc, const DiscCheckOptions& options, std::vector<Finding>* findings)
    : m_disc(disc), m_options(options), m_findings(findings) {}

void CCheckContext::Add(const CheckRule& rule, const Where& where, const std::string& reason) {
    Add(rule, where, reason, Remedy(rule));
}

void CCheckContext::Add(const CheckRule& rule, const Where& where, const std::string& reason, const std::string& remedy) {
    m_findings->push_back({&rule, where.key, reason, remedy, where.file, where.line, rule.note});
}

std::string CCheckContext::Remedy(const CheckRule& rule, const std::string& key) const {
    RemedyTerms terms;
    terms.launcher = m_options.launcher;
    terms.disc = folder();
    terms.key = key;
    return FillRemedy(rule.remedy, terms);
}

int CCheckContext::InfLine(const char* section, const char* key) const {
    const std::vector<unsigned char>& text = m_disc.infText();
    int line = ProfileLine((const char*)text.data(), text.size(), section, key);
    return line ? line : ProfileLine((const char*)text.data(), text.size(), section, nullptr);
}

Where CCheckContext::AtKey(ParamKey key, const std::string& file) const {
    return {GetParamKeyName(key), file.empty() ? m_infName : file, InfLine("BXPARAM", GetParamKeyName(key))};
}

Where CCheckContext::AtAutorun(const std::string& section, const char* key, const std::string& file) const {
    std::string label = strcasecmp(section.c_str(), "autorun") == 0 ? "autorun" : section;
    return {"[" + label + "] " + key, file.empty() ? m_infName : file, InfLine(section.c_str(), key)};
}

std::string CCheckContext::Relative(const std::string& path) const {
    const std::string& root = folder();
    return path.compare(0, root.size() + 1, root + "/") == 0 ? path.substr(root.size() + 1) : path;
}

bool CCheckContext::HasSection(const char* section) const {
    const std::vector<unsigned char>& text = m_disc.infText();
    return HasProfileSection((const char*)text.data(), text.size(), section);
}

bool CCheckContext::AutorunValue(const char* section, const char* key, std::string* value) const {
    const std::vector<unsigned char>& text = m_disc.infText();
    char sz[1024];
    // The default "\x01" tells an absent key from an empty one.
    ReadProfileString((const char*)text.data(), text.size(), section, key, "\x01", sz, sizeof sz);
    *value = sz;
    return sz[0] != '\x01';
}

std::string CCheckContext::Quoted(ParamKey key) const { return "\"" + Cp1252ToUtf8(Value(key)) + "\""; }

bool CCheckContext::Written(ParamKey key) const {
    std::string value;
    return AutorunValue("BXPARAM", GetParamKeyName(key), &value);
}

std::string Trim(const std::string& s, const char* blanks) {
    size_t b = s.find_first_not_of(blanks), e = s.find_last_not_of(blanks);
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}
