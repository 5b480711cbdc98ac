#include "kit/MsiBridge.h"

#include <cstring>
#include <map>
#include <memory>

#include "framework/String.h"
#include "kit/DiscText.h"
#include "msi/MsiApi.h"
#include "platform/Library.h"
#include "platform/Process.h"

// After the launcher's types, whose TRUE and FALSE glib then keeps.
#include <libmsi.h>

namespace {

const UINT kSuccess = 0;
const UINT kOpenFailed = 110;
const UINT kInvalidHandle = 6;
const UINT kMoreData = 234;
const UINT kNoMoreItems = 259;
const UINT kBadQuery = 1615;
const int kStateLocal = 3;
const int kStateUnknown = -1;
const int kAttributeRegistryKeyPath = 0x04;
const int kAttributeOdbcKeyPath = 0x20;

// libmsi reports a package that does not open on stderr; the kit says it in a finding.
void QuietLibrary() {
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
std::string LongName(const std::string& name) {
    size_t bar = name.find('|');
    return bar == std::string::npos ? name : name.substr(bar + 1);
}

// Where the package puts its components when nobody changes its folders.
class CPackageModel {
public:
    explicit CPackageModel(LibmsiDatabase* db) {
        ForEachRow(db, "SELECT `Directory`, `Directory_Parent`, `DefaultDir` FROM `Directory`",
                   [&](LibmsiRecord* r) {
                       m_dirs[RecordString(r, 1)] = {RecordString(r, 2), RecordString(r, 3)};
                   });
        ForEachRow(db, "SELECT `File`, `FileName` FROM `File`", [&](LibmsiRecord* r) {
            m_files[RecordString(r, 1)] = LongName(RecordString(r, 2));
        });
        ForEachRow(db,
                   "SELECT `Component`, `ComponentId`, `Directory_`, `Attributes`, `KeyPath` "
                   "FROM `Component`",
                   [&](LibmsiRecord* r) {
                       Component c = {RecordString(r, 2), RecordString(r, 3),
                                      libmsi_record_get_int(r, 4), RecordString(r, 5)};
                       m_components[RecordString(r, 1)] = c;
                   });
    }

    // The component's key path by its key; "" for an unknown one.
    std::string KeyPathOf(const std::string& component) const {
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

    std::string KeyPathOfId(const std::string& componentId) const {
        for (const auto& entry : m_components)
            if (!componentId.empty() && entry.second.id == componentId) return KeyPathOf(entry.first);
        return std::string();
    }

private:
    struct Folder {
        std::string parent, defaultDir;
    };
    struct Component {
        std::string id, directory;
        int attributes;
        std::string keyPath;
    };

    std::string FolderPath(const std::string& id, int depth) const {
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

    std::map<std::string, Folder> m_dirs;
    std::map<std::string, std::string> m_files;
    std::map<std::string, Component> m_components;
};

struct Handle {
    LibmsiDatabase* db = nullptr;
    LibmsiSummaryInfo* summary = nullptr;
    LibmsiQuery* query = nullptr;
    LibmsiRecord* record = nullptr;
    std::shared_ptr<CPackageModel> model;
};

std::map<MSIHANDLE, Handle> g_handles;
MSIHANDLE g_nextHandle = 1;

MSIHANDLE Add(const Handle& h) {
    g_handles[g_nextHandle] = h;
    return g_nextHandle++;
}

Handle* Find(MSIHANDLE h) {
    auto it = g_handles.find(h);
    return it == g_handles.end() ? nullptr : &it->second;
}

// Texts go back to the launcher in its code page; what that lacks reads as '?'.
std::string ToAnsi(const std::string& utf8) {
    std::string out;
    if (Utf8ToCp1252(utf8, &out)) return out;
    out.clear();
    for (unsigned char c : utf8) {
        if (c < 0x80) out += (char)c;
        else if (c >= 0xC0) out += '?';
    }
    return out;
}

UINT CopyOut(const std::string& value, char* pszBuffer, DWORD* pnSize) {
    DWORD nRoom = pnSize ? *pnSize : 0;
    if (pszBuffer && nRoom) {
        size_t n = value.size() < nRoom - 1 ? value.size() : nRoom - 1;
        memcpy(pszBuffer, value.data(), n);
        pszBuffer[n] = 0;
    }
    if (pnSize) *pnSize = (DWORD)value.size();
    return value.size() < nRoom ? kSuccess : kMoreData;
}

UINT BX_API OpenDatabase(const char* pszPath, const char* pszPersist, MSIHANDLE* phDatabase) {
    *phDatabase = 0;
    if (pszPersist) return kOpenFailed;  // the launcher only reads
    QuietLibrary();
    LibmsiDatabase* db = libmsi_database_new(pszPath, LIBMSI_DB_FLAGS_READONLY, nullptr, nullptr);
    if (!db) return kOpenFailed;
    Handle h;
    h.db = db;
    *phDatabase = Add(h);
    return kSuccess;
}

UINT BX_API GetSummaryInformation(MSIHANDLE hDatabase, const char* pszPath, UINT nUpdateCount,
                                  MSIHANDLE* phSummaryInfo) {
    *phSummaryInfo = 0;
    Handle* pDb = Find(hDatabase);
    LibmsiDatabase* db = pDb && pDb->db ? (LibmsiDatabase*)g_object_ref(pDb->db) : nullptr;
    if (!db && !hDatabase && pszPath)
        db = libmsi_database_new(pszPath, LIBMSI_DB_FLAGS_READONLY, nullptr, nullptr);
    if (!db) return kInvalidHandle;
    LibmsiSummaryInfo* si = libmsi_summary_info_new(db, nUpdateCount, nullptr);
    g_object_unref(db);
    if (!si) return kOpenFailed;
    Handle h;
    h.summary = si;
    *phSummaryInfo = Add(h);
    return kSuccess;
}

UINT BX_API DatabaseOpenView(MSIHANDLE hDatabase, const char* pszQuery, MSIHANDLE* phView) {
    Handle* pDb = Find(hDatabase);
    if (!pDb || !pDb->db) return kInvalidHandle;
    LibmsiQuery* query = libmsi_query_new(pDb->db, pszQuery, nullptr);
    if (!query) return kBadQuery;
    Handle h;
    h.query = query;
    *phView = Add(h);
    return kSuccess;
}

UINT BX_API ViewExecute(MSIHANDLE hView, MSIHANDLE) {
    Handle* pView = Find(hView);
    if (!pView || !pView->query) return kInvalidHandle;
    return libmsi_query_execute(pView->query, nullptr, nullptr) ? kSuccess : kBadQuery;
}

UINT BX_API ViewFetch(MSIHANDLE hView, MSIHANDLE* phRecord) {
    Handle* pView = Find(hView);
    if (!pView || !pView->query) return kInvalidHandle;
    LibmsiRecord* record = libmsi_query_fetch(pView->query, nullptr);
    if (!record) return kNoMoreItems;
    Handle h;
    h.record = record;
    *phRecord = Add(h);
    return kSuccess;
}

UINT BX_API RecordGetString(MSIHANDLE hRecord, UINT nField, char* pszValue, DWORD* pnSize) {
    Handle* pRecord = Find(hRecord);
    if (!pRecord || !pRecord->record) return kInvalidHandle;
    return CopyOut(ToAnsi(RecordString(pRecord->record, nField)), pszValue, pnSize);
}

int BX_API GetComponentPath(const char*, const char* pszComponent, char* pszPath, DWORD* pnSize) {
    for (auto& entry : g_handles) {
        Handle& h = entry.second;
        if (!h.db) continue;
        if (!h.model) h.model = std::make_shared<CPackageModel>(h.db);
        std::string path = h.model->KeyPathOfId(pszComponent ? pszComponent : "");
        if (!path.empty()) {
            CopyOut(ToAnsi(path), pszPath, pnSize);
            return kStateLocal;
        }
    }
    CopyOut(std::string(), pszPath, pnSize);
    return kStateUnknown;
}

UINT BX_API CloseHandle(MSIHANDLE hAny) {
    auto it = g_handles.find(hAny);
    if (it == g_handles.end()) return kInvalidHandle;
    Handle& h = it->second;
    h.model.reset();
    for (void* p : {(void*)h.db, (void*)h.summary, (void*)h.query, (void*)h.record})
        if (p) g_object_unref(p);
    g_handles.erase(it);
    return kSuccess;
}

struct Export {
    const char* pszName;
    FARPROC pfn;
};

const Export kExports[] = {
    {"MsiOpenDatabaseA", (FARPROC)&OpenDatabase},
    {"MsiGetSummaryInformationA", (FARPROC)&GetSummaryInformation},
    {"MsiDatabaseOpenViewA", (FARPROC)&DatabaseOpenView},
    {"MsiViewExecute", (FARPROC)&ViewExecute},
    {"MsiViewFetch", (FARPROC)&ViewFetch},
    {"MsiRecordGetStringA", (FARPROC)&RecordGetString},
    {"MsiGetComponentPathA", (FARPROC)&GetComponentPath},
    {"MsiCloseHandle", (FARPROC)&CloseHandle},
};

const char kMsiDll[] = "Msi.dll";
int g_msiModule;
HMODULE MsiModule() { return (HMODULE)&g_msiModule; }

}  // namespace

ShortcutPrograms ReadShortcutPrograms(const std::string& packagePath) {
    ShortcutPrograms result;
    QuietLibrary();
    LibmsiDatabase* db = libmsi_database_new(packagePath.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, nullptr);
    if (!db) return result;
    result.opened = true;
    CPackageModel model(db);
    result.hasShortcutTable = ForEachRow(
        db, "SELECT `Shortcut`, `Component_` FROM `Shortcut` ORDER BY `Shortcut`",
        [&](LibmsiRecord* r) { result.paths.push_back(model.KeyPathOf(RecordString(r, 2))); });
    g_object_unref(db);
    return result;
}

// The platform's library loading, for the one library the launcher loads.
namespace platform {

DWORD SearchPathA(const char*, const char* pszFileName, const char*, DWORD nBufferLength,
                  char* pszBuffer, char** ppszFilePart) {
    if (CompareNoCase(pszFileName, kMsiDll) != 0) return 0;
    if (nBufferLength < sizeof kMsiDll) return sizeof kMsiDll;
    memcpy(pszBuffer, kMsiDll, sizeof kMsiDll);
    if (ppszFilePart) *ppszFilePart = pszBuffer;
    return sizeof kMsiDll - 1;
}

HMODULE LoadLibraryExA(const char* pszFileName, HANDLE, DWORD) {
    return CompareNoCase(pszFileName, kMsiDll) == 0 ? MsiModule() : nullptr;
}

FARPROC GetProcAddress(HMODULE hModule, const char* pszProcName) {
    if (hModule != MsiModule()) return nullptr;
    for (const Export& e : kExports)
        if (strcmp(e.pszName, pszProcName) == 0) return e.pfn;
    return nullptr;
}

BOOL FreeLibrary(HMODULE hModule) { return hModule == MsiModule(); }

DWORD GetModuleFileNameA(HMODULE hModule, char* pszBuffer, DWORD nSize) {
    const char* pszName = hModule == MsiModule() ? "libmsi" : "bxdisc";
    DWORD n = (DWORD)strlen(pszName);
    if (nSize == 0) return 0;
    if (n >= nSize) n = nSize - 1;
    memcpy(pszBuffer, pszName, n);
    pszBuffer[n] = 0;
    return n;
}

}  // namespace platform
