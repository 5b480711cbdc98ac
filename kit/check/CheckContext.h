// What every rule's check works with: the disc, the options, and the places
// a finding points at. Checks report through it and never print.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "kit/check/Finding.h"
#include "kit/disc/Disc.h"

// A program's resources are read from at most this much.
const size_t kMaxProgramRead = 256u << 20;

// Where a finding points: its key, the file, and the key's line of Autorun.inf.
struct Where {
    std::string key;
    std::string file;
    int line = 0;
};

class CCheckContext {
public:
    CCheckContext(const CDisc& disc, const DiscCheckOptions& options, std::vector<Finding>* findings);

    const CDisc& disc() const { return m_disc; }
    const DiscCheckOptions& options() const { return m_options; }
    const std::string& folder() const { return m_disc.folder(); }
    const std::vector<Finding>& findings() const { return *m_findings; }

    // With the rule's own remedy, its terms those of this disc.
    void Add(const CheckRule& rule, const Where& where, const std::string& reason);
    void Add(const CheckRule& rule, const Where& where, const std::string& reason, const std::string& remedy);
    // The rule's remedy for this disc; key: the autorun key at fault.
    std::string Remedy(const CheckRule& rule, const std::string& key = "open") const;

    // Autorun.inf's name on the disc, once it is found.
    void SetInfName(const std::string& name) { m_infName = name; }
    const std::string& infName() const { return m_infName; }
    // A [BXPARAM] key, in Autorun.inf; file: the file it names, when the finding is about that file.
    Where AtKey(ParamKey key, const std::string& file = "") const;
    // A key of an [autorun] section (or of an architecture's), shown as "[autorun] open".
    Where AtAutorun(const std::string& section, const char* key, const std::string& file = "") const;
    // A file of the disc, relative to its root.
    Where AtFile(const std::string& relative, const std::string& key = "") const { return {key.empty() ? relative : key, relative, 0}; }
    std::string Relative(const std::string& path) const;

    bool HasSection(const char* section) const;
    // A key's value in a section of Autorun.inf; false when the key is not there.
    bool AutorunValue(const char* section, const char* key, std::string* value) const;
    std::string Value(ParamKey key) const { return m_disc.Value(key); }
    // The key's value in quotes, as UTF-8.
    std::string Quoted(ParamKey key) const;
    // Whether [BXPARAM] has the key at all, be its value empty or not.
    bool Written(ParamKey key) const;

    // Said once for the disc, not for each file.
    bool verifierUnusable = false;

private:
    int InfLine(const char* section, const char* key) const;

    const CDisc& m_disc;
    const DiscCheckOptions& m_options;
    std::vector<Finding>* m_findings;
    std::string m_infName = "Autorun.inf";
};

// An Autorun.inf value without the blanks around it.
std::string Trim(const std::string& s, const char* blanks = " \t");
