// The installer library's functions that the launcher binds, as they are
// called through the addresses found at run time.
#pragma once

#include "platform/Types.h"

typedef DWORD MSIHANDLE;

typedef UINT(BX_API* PFN_MsiOpenDatabase)(const char* pszPath, const char* pszPersist,
                                          MSIHANDLE* phDatabase);
typedef UINT(BX_API* PFN_MsiGetSummaryInformation)(MSIHANDLE hDatabase, const char* pszPath,
                                                   UINT nUpdateCount, MSIHANDLE* phSummaryInfo);
typedef UINT(BX_API* PFN_MsiDatabaseOpenView)(MSIHANDLE hDatabase, const char* pszQuery,
                                              MSIHANDLE* phView);
typedef UINT(BX_API* PFN_MsiViewExecute)(MSIHANDLE hView, MSIHANDLE hRecord);
typedef UINT(BX_API* PFN_MsiViewFetch)(MSIHANDLE hView, MSIHANDLE* phRecord);
typedef UINT(BX_API* PFN_MsiRecordGetString)(MSIHANDLE hRecord, UINT nField, char* pszValue,
                                             DWORD* pnSize);
typedef int(BX_API* PFN_MsiGetComponentPath)(const char* pszProduct, const char* pszComponent,
                                             char* pszPath, DWORD* pnSize);
typedef UINT(BX_API* PFN_MsiCloseHandle)(MSIHANDLE hAny);
