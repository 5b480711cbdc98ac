#include "platform/linux/LibmsiPackage.h"

void QuietLibmsi() {
    static bool bQuiet = false;
    if (!bQuiet) g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    bQuiet = true;
}

std::string RecordString(LibmsiRecord* record, guint field) {
    if (libmsi_record_is_null(record, field)) return std::string();
    gchar* psz = libmsi_record_get_string(record, field);
    std::string value = psz ? psz : "";
    g_free(psz);
    return value;
}

std::string LongName(const std::string& name) {
    size_t bar = name.find('|');
    return bar == std::string::npos ? name : name.substr(bar + 1);
}

namespace {

const int kAttributeRegistryKeyPath = 0x04;
const int kAttributeOdbcKeyPath = 0x20;

}  // namespace

CPackageLayout::CPackageLayout(LibmsiDatabase* db) {
    ForEachRow(db, "SELECT `Directory`, `Directory_Parent`, `DefaultDir` FROM `Directory`",
               [&](LibmsiRecord* r) { m_dirs[RecordString(r, 1)] = {RecordString(r, 2), RecordString(r, 3)}; });
    ForEachRow(db, "SELECT `File`, `FileName` FROM `File`",
               [&](LibmsiRecord* r) { m_files[RecordString(r, 1)] = LongName(RecordString(r, 2)); });
    ForEachRow(db, "SELECT `Component`, `ComponentId`, `Directory_`, `Attributes`, `KeyPath` FROM `Component`",
               [&](LibmsiRecord* r) {
                   Component c = {RecordString(r, 2), RecordString(r, 3), libmsi_record_get_int(r, 4),
                                  RecordString(r, 5)};
                   m_components[RecordString(r, 1)] = c;
               });
}

std::string CPackageLayout::KeyPathOf(const std::string& component) const {
    auto it = m_components.find(component);
    if (it == m_components.end()) return std::string();
    const Component& c = it->second;
    std::string folder = FolderPath(c.directory, 0);
    if (folder.empty()) return std::string();
    if (c.keyPath.empty() || (c.attributes & (kAttributeRegistryKeyPath | kAttributeOdbcKeyPath)))
        return folder + "\\";
    auto file = m_files.find(c.keyPath);
    return file == m_files.end() ? std::string() : folder + "\\" + file->second;
}

std::string CPackageLayout::KeyPathOfId(const std::string& componentId) const {
    for (const auto& entry : m_components)
        if (!componentId.empty() && entry.second.id == componentId) return KeyPathOf(entry.first);
    return std::string();
}

std::string CPackageLayout::FolderPath(const std::string& id, int depth) const {
    auto it = m_dirs.find(id);
    if (it == m_dirs.end() || depth > 64) return std::string();
    const Folder& f = it->second;
    if (f.parent.empty() || f.parent == id) return "C:";
    std::string parent = FolderPath(f.parent, depth + 1);
    if (parent.empty()) return parent;
    // "target[:source]", each "short|long"; "." adds no folder.
    std::string target = LongName(f.defaultDir.substr(0, f.defaultDir.find(':')));
    return target == "." || target.empty() ? parent : parent + "\\" + target;
}
