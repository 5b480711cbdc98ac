#include "msi/Library.h"

#include "platform/Library.h"
#include "platform/Process.h"

IMPLEMENT_DYNAMIC(CLibrary, CObject)

CLibrary::CLibrary(const char* pszFileName) : m_hModule(nullptr), m_nCached(0) {
    if (pszFileName) Load(pszFileName);
}

CLibrary::~CLibrary() {
    if (m_hModule) platform::FreeLibrary(m_hModule);
}

BOOL CLibrary::Load(const char* pszFileName) {
    if (m_hModule) {
        platform::FreeLibrary(m_hModule);
        m_hModule = nullptr;
    }
    char szPath[MAX_PATH];
    char* pszFilePart = nullptr;
    DWORD n = platform::SearchPathA(nullptr, pszFileName, nullptr, MAX_PATH, szPath, &pszFilePart);
    // A path that does not fit comes back as the size it needs, not as a path.
    if (n != 0 && n < MAX_PATH)
        m_hModule = platform::LoadLibraryExA(szPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return m_hModule != nullptr;
}

BOOL CLibrary::IsLoaded() const { return m_hModule != nullptr; }

CString CLibrary::GetFileName() const {
    CString strPath;
    if (!IsLoaded()) return strPath;
    platform::GetModuleFileNameA(m_hModule, strPath.GetBuffer(MAX_PATH), MAX_PATH);
    strPath.ReleaseBuffer();
    return strPath;
}

FARPROC CLibrary::GetFunction(const char* pszName) {
    if (!m_hModule) return nullptr;
    for (int i = 0; i < m_nCached; ++i)
        if (m_functionCache[i].strName == pszName) return m_functionCache[i].pfn;

    FARPROC pfn = platform::GetProcAddress(m_hModule, pszName);
    // Functions that take text are exported only in their 8-bit ("A") form.
    if (!pfn) pfn = platform::GetProcAddress(m_hModule, CString(pszName) + "A");
    if (m_nCached < kCacheSize) {
        m_functionCache[m_nCached].strName = pszName;
        m_functionCache[m_nCached].pfn = pfn;
        ++m_nCached;
    }
    return pfn;
}
