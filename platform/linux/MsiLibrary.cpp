#include "platform/linux/MsiLibrary.h"

#include <cstring>
#include <map>
#include <memory>

#include "platform/linux/Cp1252.h"
#include "msi/MsiExports.h"
#include "platform/linux/LibmsiPackage.h"

namespace {

const UINT kSuccess = 0;
const UINT kOpenFailed = 110;
const UINT kInvalidHandle = 6;
const UINT kMoreData = 234;
const UINT kNoMoreItems = 259;
const UINT kBadQuery = 1615;
const int kStateLocal = 3;
const int kStateUnknown = -1;

struct Handle {
    LibmsiDatabase* db = nullptr;
    LibmsiSummaryInfo* summary = nullptr;
    LibmsiQuery* query = nullptr;
    LibmsiRecord* record = nullptr;
    std::shared_ptr<CPackageLayout> model;
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
    QuietLibmsi();
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
        if (!h.model) h.model = std::make_shared<CPackageLayout>(h.db);
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

}  // namespace

std::vector<std::pair<const char*, FARPROC>> LibmsiExports() {
    static const MsiFunctions functions = {&OpenDatabase, &GetSummaryInformation, &DatabaseOpenView, &ViewExecute,
                                           &ViewFetch, &RecordGetString, &GetComponentPath, &CloseHandle};
    return MsiExportTable(functions);
}
