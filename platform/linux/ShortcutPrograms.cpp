#include "platform/linux/ShortcutPrograms.h"

#include "platform/linux/LibmsiPackage.h"

ShortcutPrograms ReadShortcutPrograms(const std::string& packagePath) {
    ShortcutPrograms result;
    QuietLibmsi();
    LibmsiDatabase* db = libmsi_database_new(packagePath.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, nullptr);
    if (!db) return result;
    result.opened = true;
    CPackageLayout model(db);
    result.hasShortcutTable = ForEachRow(
        db, "SELECT `Shortcut`, `Component_` FROM `Shortcut` ORDER BY `Shortcut`",
        [&](LibmsiRecord* r) { result.paths.push_back(model.KeyPathOf(RecordString(r, 2))); });
    g_object_unref(db);
    return result;
}

