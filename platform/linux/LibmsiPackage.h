// libmsi as the kit's installer-library stand-in uses it: rows of a query,
// and where a package puts its components when nobody changes its folders.
#pragma once

#include <map>
#include <string>

// After the launcher's types, whose TRUE and FALSE glib then keeps.
#include "platform/Types.h"
#include <libmsi.h>

// libmsi reports a package that does not open on stderr; the kit says it in a finding.
void QuietLibmsi();

std::string RecordString(LibmsiRecord* record, guint field);

// Calls fn for every row; false when the query cannot run (a missing table).
template <typename Fn>
bool ForEachRow(LibmsiDatabase* db, const char* sql, Fn fn) {
    LibmsiQuery* query = libmsi_query_new(db, sql, nullptr);
    if (!query) return false;
    bool ok = libmsi_query_execute(query, nullptr, nullptr);
    while (ok) {
        LibmsiRecord* record = libmsi_query_fetch(query, nullptr);
        if (!record) break;
        fn(record);
        g_object_unref(record);
    }
    libmsi_query_close(query, nullptr);
    g_object_unref(query);
    return ok;
}

// The long name of a "short|long" name.
std::string LongName(const std::string& name);

// Where the package puts its components when nobody changes its folders.
class CPackageLayout {
public:
    explicit CPackageLayout(LibmsiDatabase* db);

    // The component's key path by its key; "" for an unknown one.
    std::string KeyPathOf(const std::string& component) const;
    std::string KeyPathOfId(const std::string& componentId) const;

private:
    struct Folder {
        std::string parent, defaultDir;
    };
    struct Component {
        std::string id, directory;
        int attributes;
        std::string keyPath;
    };

    std::string FolderPath(const std::string& id, int depth) const;

    std::map<std::string, Folder> m_dirs;
    std::map<std::string, std::string> m_files;
    std::map<std::string, Component> m_components;
};
