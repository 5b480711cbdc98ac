// CMsiPackage: the product's installer package, opened read-only, asked
// where the installed product's program lies. Every failure, from a missing
// installer library to a missing table, answers "".
#pragma once

#include "framework/Object.h"
#include "framework/String.h"
#include "msi/MsiApi.h"
#include "params/ParamFile.h"

class CMsiDll;

class CMsiPackage : public CObject {
public:
    explicit CMsiPackage(const char* pszPath);
    ~CMsiPackage() override;

    BOOL IsOpen() const;
    // The Value of the Property table's row for the name; "" when none.
    CString GetProperty(const char* pszName);
    // The path of the first shortcut's component, in shortcut order, that
    // the installer places for this product and that ends in ".EXE" and in
    // the parameter file's ExeName; "" when there is none.
    CString FindInstalledExe(const CParamFile& params);

private:
    void CloseHandle(MSIHANDLE hAny);
    CString GetRecordString(MSIHANDLE hRecord, UINT nField);
    CString GetComponentPath(const char* pszProduct, const char* pszComponent);

    MSIHANDLE m_hDatabase;
    MSIHANDLE m_hSummaryInfo;
    CMsiDll* m_pMsiDll;
};
