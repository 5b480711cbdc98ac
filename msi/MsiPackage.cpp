#include "msi/MsiPackage.h"

#include "msi/MsiDll.h"

namespace {

const char kPropertyQuery[] = "select Property, Value from Property where Property='%s'";
const char kShortcutQuery[] =
    "select ComponentId from Component, Shortcut where Shortcut.Component_=Component.Component "
    "order by Shortcut";

// Every value the installer writes comes into a buffer of this size.
const DWORD kValueSize = 260;

// Asked for immediately before each call: the library caches the address.
template <typename PFN>
PFN Bind(CMsiDll* pMsiDll, const char* pszName) {
    return (PFN)pMsiDll->GetFunction(pszName);
}

}  // namespace

CMsiPackage::CMsiPackage(const char* pszPath) : m_hDatabase(0), m_hSummaryInfo(0) {
    m_pMsiDll = new CMsiDll;
    if (!m_pMsiDll || !m_pMsiDll->IsLoaded()) return;

    auto pfnOpen = Bind<PFN_MsiOpenDatabase>(m_pMsiDll, "MsiOpenDatabase");
    if (!pfnOpen || pfnOpen(pszPath, nullptr, &m_hDatabase) != 0) m_hDatabase = 0;

    // Asked even when the open failed: the package counts as open only with both.
    auto pfnSummary = Bind<PFN_MsiGetSummaryInformation>(m_pMsiDll, "MsiGetSummaryInformation");
    if (!pfnSummary || pfnSummary(m_hDatabase, pszPath, 0, &m_hSummaryInfo) != 0)
        m_hSummaryInfo = 0;
}

CMsiPackage::~CMsiPackage() {
    if (!m_pMsiDll) return;
    // The handles belong to the library: close them while it is still loaded.
    CloseHandle(m_hSummaryInfo);
    m_hSummaryInfo = 0;
    CloseHandle(m_hDatabase);
    m_hDatabase = 0;
    delete m_pMsiDll;
    m_pMsiDll = nullptr;
}

BOOL CMsiPackage::IsOpen() const {
    return m_pMsiDll && m_pMsiDll->IsLoaded() && m_hDatabase && m_hSummaryInfo;
}

void CMsiPackage::CloseHandle(MSIHANDLE hAny) {
    if (!hAny) return;
    if (auto pfnClose = Bind<PFN_MsiCloseHandle>(m_pMsiDll, "MsiCloseHandle")) pfnClose(hAny);
}

CString CMsiPackage::GetRecordString(MSIHANDLE hRecord, UINT nField) {
    CString strValue;
    DWORD nSize = kValueSize;
    if (auto pfnGet = Bind<PFN_MsiRecordGetString>(m_pMsiDll, "MsiRecordGetString")) {
        pfnGet(hRecord, nField, strValue.GetBuffer(kValueSize), &nSize);
        strValue.ReleaseBuffer();
    }
    return strValue;
}

CString CMsiPackage::GetComponentPath(const char* pszProduct, const char* pszComponent) {
    CString strPath;
    DWORD nSize = kValueSize;
    if (auto pfnPath = Bind<PFN_MsiGetComponentPath>(m_pMsiDll, "MsiGetComponentPath")) {
        pfnPath(pszProduct, pszComponent, strPath.GetBuffer(kValueSize), &nSize);
        strPath.ReleaseBuffer();
        // A path cut to the buffer is some other path: it must not match.
        if (nSize >= kValueSize) strPath.Empty();
    }
    return strPath;
}

CString CMsiPackage::GetProperty(const char* pszName) {
    CString strValue;
    if (!IsOpen()) return strValue;

    CString strQuery;
    strQuery.Format(kPropertyQuery, pszName);
    MSIHANDLE hView = 0, hRecord = 0;
    auto pfnOpenView = Bind<PFN_MsiDatabaseOpenView>(m_pMsiDll, "MsiDatabaseOpenView");
    if (pfnOpenView && pfnOpenView(m_hDatabase, strQuery, &hView) == 0) {
        auto pfnExecute = Bind<PFN_MsiViewExecute>(m_pMsiDll, "MsiViewExecute");
        if (pfnExecute && pfnExecute(hView, 0) == 0) {
            auto pfnFetch = Bind<PFN_MsiViewFetch>(m_pMsiDll, "MsiViewFetch");
            if (pfnFetch && pfnFetch(hView, &hRecord) == 0) strValue = GetRecordString(hRecord, 2);
        }
    }
    CloseHandle(hView);
    CloseHandle(hRecord);
    return strValue;
}

CString CMsiPackage::FindInstalledExe(const CParamFile& params) {
    CString strExe;
    if (!IsOpen()) return strExe;

    CString strExeName = params.GetValue(ExeName);
    CString strProductCode = GetProperty("ProductCode");
    if (strProductCode.IsEmpty()) return strExe;

    MSIHANDLE hView = 0, hRecord = 0;
    auto pfnOpenView = Bind<PFN_MsiDatabaseOpenView>(m_pMsiDll, "MsiDatabaseOpenView");
    if (pfnOpenView && pfnOpenView(m_hDatabase, kShortcutQuery, &hView) == 0) {
        auto pfnExecute = Bind<PFN_MsiViewExecute>(m_pMsiDll, "MsiViewExecute");
        if (pfnExecute && pfnExecute(hView, 0) == 0) {
            for (;;) {
                auto pfnFetch = Bind<PFN_MsiViewFetch>(m_pMsiDll, "MsiViewFetch");
                // One record open at a time: a package with many shortcuts
                // would otherwise hold a handle for each.
                CloseHandle(hRecord);
                hRecord = 0;
                if (!pfnFetch || pfnFetch(hView, &hRecord) != 0) break;

                CString strComponent = GetRecordString(hRecord, 1);
                CString strPath = GetComponentPath(strProductCode, strComponent);
                if (strPath.EndsWithNoCase(".EXE") && strPath.EndsWithNoCase(strExeName)) {
                    strExe = strPath;
                    break;
                }
            }
        }
    }
    CloseHandle(hView);
    CloseHandle(hRecord);
    return strExe;
}
