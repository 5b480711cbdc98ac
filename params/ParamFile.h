// CParamFile: the launcher's section of Autorun.inf, read key by key.
#pragma once

#include "framework/String.h"

// The ten keys of the [BXPARAM] section, by index.
enum ParamKey {
    AutorunBackdrop = 0,
    AutorunButtons = 1,
    SetupMSI = 2,
    SetupExe = 3,
    Look4Title = 4,
    InstDCOM95 = 5,
    DCOM95VerNeeded = 6,
    OleAut32_Win9X = 7,
    ProductName = 8,
    ExeName = 9,
};

class CParamFile {
public:
    explicit CParamFile(const char* pszPath) : m_strPath(pszPath) {}
    virtual ~CParamFile() {}

    // The key's value, read from the file anew each time; "" when the file,
    // the section or the key is missing, the index is out of range, or the
    // path names no folder. At most 259 characters.
    CString GetValue(ParamKey key) const;

    const CString& GetPath() const { return m_strPath; }

private:
    CString m_strPath;
};

// The key's name, or null for an index out of range.
const char* GetParamKeyName(ParamKey key);
