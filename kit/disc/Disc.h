// A disc folder opened once, as the launcher on it will see the disc: its
// Autorun.inf and the files and folders that the settings name, found
// without regard to case in code page 1252 (an exact name first).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "params/ParamFile.h"

// Where a name of the disc's texts leads.
struct DiscEntry {
    std::string value;  // as Autorun.inf gives it (code page 1252); "" when unset
    std::string path;   // the Linux path; "" when there is no such entry
    bool folder = false;
    bool leaves = false;  // the name climbs out of the disc folder: never looked up
    bool Found() const { return !path.empty(); }
    bool IsFile() const { return Found() && !folder; }
    // The path relative to the disc folder, '/' between names.
    std::string Relative(const std::string& root) const;
};

class CDisc {
public:
    // False when the folder cannot be read; the disc then has nothing.
    bool Open(const std::string& folder);

    const std::string& folder() const { return m_folder; }
    // Autorun.inf: its entry, its bytes (when it could be read) and the
    // launcher's own reading of it (null when there is none to read).
    const DiscEntry& inf() const { return m_inf; }
    bool infRead() const { return m_bInfRead; }
    const std::vector<unsigned char>& infText() const { return m_infText; }
    const CParamFile* params() const { return m_params.get(); }

    std::string Value(ParamKey key) const;
    DiscEntry Named(ParamKey key) const;
    // A name relative to the disc's root, in code page 1252.
    DiscEntry Find(const std::string& name) const;

private:
    std::string m_folder;
    DiscEntry m_inf;
    bool m_bInfRead = false;
    std::vector<unsigned char> m_infText;
    std::unique_ptr<CParamFile> m_params;
};
