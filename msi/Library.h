// CLibrary: one library loaded at run time, its functions bound by name on
// first use so that a computer without it still runs the launcher.
#pragma once

#include "framework/Object.h"
#include "framework/String.h"
#include "platform/Types.h"

class CLibrary : public CObject {
    DECLARE_DYNAMIC(CLibrary)

public:
    explicit CLibrary(const char* pszFileName);
    ~CLibrary() override;

    virtual BOOL IsLoaded() const;
    // The loaded file's full path; "" when nothing is loaded.
    virtual CString GetFileName() const;

    // The export under the name, else under the name with "A"; null when
    // nothing is loaded or neither exists. Each name asked is looked up once.
    FARPROC GetFunction(const char* pszName);

protected:
    BOOL Load(const char* pszFileName);

private:
    // More names than any user binds; past this, lookups go uncached.
    enum { kCacheSize = 16 };
    struct CacheEntry {
        CString strName;
        FARPROC pfn;
    };

    HMODULE m_hModule;
    CacheEntry m_functionCache[kCacheSize];
    int m_nCached;
};
