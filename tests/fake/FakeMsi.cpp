#include "fake/FakeMsi.h"

#include <algorithm>
#include <cstring>

#include "fake/Fake.h"
#include "fake/FakeLibrary.h"
#include "msi/MsiExports.h"

namespace fake {

namespace {

MsiState g_msi;
Resetter g_reset([] { g_msi = MsiState(); });

const UINT kSuccess = 0, kInvalidHandle = 6, kOpenFailed = 110, kMoreData = 234,
           kNoMoreItems = 259, kBadQuery = 1615, kInvalidPackage = 1620, kFunctionFailed = 1627;

const char kPropertyQueryHead[] = "select Property, Value from Property where Property='";
const char kShortcutQuery[] =
    "select ComponentId from Component, Shortcut where Shortcut.Component_=Component.Component "
    "order by Shortcut";

void Enter(const char* function, std::vector<std::string> args) {
    if (!IsLibraryLoaded("Msi.dll")) ++g_msi.callsWhileUnloaded;
    g_msi.calls.push_back({function, std::move(args)});
}

MSIHANDLE Open(MsiHandle handle) {
    MSIHANDLE h = g_msi.nextHandle++;
    g_msi.open[h] = std::move(handle);
    int records = (int)std::count_if(g_msi.open.begin(), g_msi.open.end(),
                                     [](const auto& e) { return e.second.kind == "record"; });
    g_msi.mostRecordsOpen = std::max(g_msi.mostRecordsOpen, records);
    return h;
}

MsiHandle* Find(MSIHANDLE h, const char* kind) {
    auto it = g_msi.open.find(h);
    return it != g_msi.open.end() && it->second.kind == kind ? &it->second : nullptr;
}

// Win32's way with a buffer too small: cut, terminated, and the size needed.
bool CopyOut(const std::string& text, char* pszBuffer, DWORD* pnSize) {
    bool bFits = text.size() < *pnSize;
    size_t n = bFits ? text.size() : (*pnSize ? *pnSize - 1 : 0);
    if (*pnSize) {
        memcpy(pszBuffer, text.data(), n);
        pszBuffer[n] = 0;
    }
    *pnSize = (DWORD)text.size();
    return bFits;
}

MsiHandle Of(const char* kind, std::vector<std::string> fields = {}) {
    MsiHandle handle;
    handle.kind = kind;
    handle.fields = std::move(fields);
    return handle;
}

std::string Str(const char* psz) { return psz ? psz : "(null)"; }

UINT BX_API OpenDatabase(const char* pszPath, const char* pszPersist, MSIHANDLE* phDatabase) {
    Enter("MsiOpenDatabase", {Str(pszPath), Str(pszPersist)});
    if (pszPersist || !g_msi.packages.count(pszPath)) return kOpenFailed;
    *phDatabase = Open(Of("database", {pszPath}));
    return kSuccess;
}

UINT BX_API GetSummaryInformation(MSIHANDLE hDatabase, const char* pszPath, UINT nUpdateCount,
                                  MSIHANDLE* phSummaryInfo) {
    Enter("MsiGetSummaryInformation", {std::to_string(hDatabase), Str(pszPath), std::to_string(nUpdateCount)});
    std::string path = pszPath ? pszPath : "";
    if (hDatabase) {
        MsiHandle* db = Find(hDatabase, "database");
        if (!db) return kInvalidHandle;
        path = db->fields[0];
    }
    auto it = g_msi.packages.find(path);
    if (it == g_msi.packages.end()) return kOpenFailed;
    if (it->second.summaryFails) return kInvalidPackage;
    *phSummaryInfo = Open(Of("summary"));
    return kSuccess;
}

UINT BX_API DatabaseOpenView(MSIHANDLE hDatabase, const char* pszQuery, MSIHANDLE* phView) {
    Enter("MsiDatabaseOpenView", {std::to_string(hDatabase), Str(pszQuery)});
    g_msi.queries.push_back(Str(pszQuery));
    MsiHandle* db = Find(hDatabase, "database");
    if (!db) return kInvalidHandle;
    const MsiPackageData& package = g_msi.packages[db->fields[0]];
    std::string query = pszQuery;
    MsiHandle view = Of("view");
    size_t nHead = strlen(kPropertyQueryHead);
    if (query == kShortcutQuery) {
        if (!package.hasShortcutTable) return kBadQuery;
        std::vector<MsiShortcut> shortcuts = package.shortcuts;
        std::stable_sort(shortcuts.begin(), shortcuts.end(),
                         [](const MsiShortcut& a, const MsiShortcut& b) { return a.id < b.id; });
        for (const MsiShortcut& s : shortcuts) {
            auto component = package.componentIds.find(s.component);
            if (component != package.componentIds.end()) view.rows.push_back({component->second});
        }
    } else if (query.compare(0, nHead, kPropertyQueryHead) == 0 && query.size() > nHead &&
               query.back() == '\'') {
        std::string name = query.substr(nHead, query.size() - nHead - 1);
        for (const auto& property : package.properties)
            if (property.first == name) view.rows.push_back({property.first, property.second});
    } else {
        return kBadQuery;
    }
    *phView = Open(view);
    return kSuccess;
}

UINT BX_API ViewExecute(MSIHANDLE hView, MSIHANDLE hRecord) {
    Enter("MsiViewExecute", {std::to_string(hView), std::to_string(hRecord)});
    if (!Find(hView, "view")) return kInvalidHandle;
    return g_msi.executeFails ? kFunctionFailed : kSuccess;
}

UINT BX_API ViewFetch(MSIHANDLE hView, MSIHANDLE* phRecord) {
    Enter("MsiViewFetch", {std::to_string(hView)});
    MsiHandle* view = Find(hView, "view");
    if (!view) return kInvalidHandle;
    if (view->next >= view->rows.size()) return kNoMoreItems;
    *phRecord = Open(Of("record", view->rows[view->next++]));
    return kSuccess;
}

UINT BX_API RecordGetString(MSIHANDLE hRecord, UINT nField, char* pszValue, DWORD* pnSize) {
    Enter("MsiRecordGetString", {std::to_string(hRecord), std::to_string(nField), std::to_string(*pnSize)});
    MsiHandle* record = Find(hRecord, "record");
    if (!record) return kInvalidHandle;
    std::string value = nField >= 1 && nField <= record->fields.size() ? record->fields[nField - 1] : "";
    return CopyOut(value, pszValue, pnSize) ? kSuccess : kMoreData;
}

int BX_API GetComponentPath(const char* pszProduct, const char* pszComponent, char* pszPath,
                            DWORD* pnSize) {
    Enter("MsiGetComponentPath", {Str(pszProduct), Str(pszComponent), std::to_string(*pnSize)});
    auto it = g_msi.installed.find({pszProduct, pszComponent});
    if (it == g_msi.installed.end()) return -1;  // unknown: the buffer is left alone
    return CopyOut(it->second.path, pszPath, pnSize) ? it->second.state : -3;
}

UINT BX_API CloseHandle(MSIHANDLE hAny) {
    Enter("MsiCloseHandle", {std::to_string(hAny)});
    auto it = g_msi.open.find(hAny);
    if (it == g_msi.open.end()) {
        ++g_msi.badCloses;
        return kInvalidHandle;
    }
    g_msi.closed.push_back(it->second.kind);
    Library().events.push_back("close " + it->second.kind);
    g_msi.open.erase(it);
    return kSuccess;
}

}  // namespace

MsiState& Msi() { return g_msi; }

void InstallMsiDll() {
    LibraryFile& dll = Library().files["Msi.dll"];
    dll.path = "C:\\WINDOWS\\SYSTEM\\MSI.DLL";
    const MsiFunctions functions = {&OpenDatabase, &GetSummaryInformation, &DatabaseOpenView, &ViewExecute,
                                    &ViewFetch, &RecordGetString, &GetComponentPath, &CloseHandle};
    for (const auto& e : MsiExportTable(functions)) dll.exports[e.first] = e.second;
}

int MsiCallCount(const std::string& function) {
    return (int)std::count_if(g_msi.calls.begin(), g_msi.calls.end(),
                              [&](const MsiCall& c) { return c.function == function; });
}

}  // namespace fake
