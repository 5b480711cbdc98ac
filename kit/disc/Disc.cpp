#include "kit/disc/Disc.h"

#include "kit/disc/DiscFolder.h"

std::string DiscEntry::Relative(const std::string& root) const {
    return path.size() > root.size() ? path.substr(root.size() + 1) : std::string();
}

bool CDisc::Open(const std::string& folder) {
    m_folder = folder;
    while (m_folder.size() > 1 && m_folder.back() == '/') m_folder.pop_back();
    m_inf = DiscEntry();
    m_bInfRead = false;
    m_infText.clear();
    m_params.reset();
    std::vector<std::string> names;
    if (!ListFolder(m_folder, &names)) return false;
    m_inf = Find("Autorun.inf");
    m_inf.value = "Autorun.inf";
    if (m_inf.IsFile()) {
        m_bInfRead = ReadWholeFile(m_inf.path, &m_infText);
        if (m_bInfRead) m_params.reset(new CParamFile(m_inf.path.c_str()));
    }
    return true;
}

std::string CDisc::Value(ParamKey key) const {
    return m_params ? std::string(m_params->GetValue(key).GetString()) : std::string();
}

DiscEntry CDisc::Named(ParamKey key) const {
    DiscEntry entry = Find(Value(key));
    entry.value = Value(key);
    return entry;
}

DiscEntry CDisc::Find(const std::string& name) const {
    DiscEntry entry;
    entry.value = name;
    if (name.empty()) return entry;
    entry.path = FindOnDisc(m_folder, name, &entry.leaves);
    entry.folder = entry.Found() && IsFolder(entry.path);
    return entry;
}
