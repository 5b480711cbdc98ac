// The installer library as a stand-in serves it to the launcher: one
// implementation of each function the launcher binds, under the library's
// own export names (text functions in their A forms). For the native
// builds, which have no Msi.dll.
#pragma once

#include <utility>
#include <vector>

#include "msi/MsiApi.h"

struct MsiFunctions {
    PFN_MsiOpenDatabase openDatabase;
    PFN_MsiGetSummaryInformation getSummaryInformation;
    PFN_MsiDatabaseOpenView databaseOpenView;
    PFN_MsiViewExecute viewExecute;
    PFN_MsiViewFetch viewFetch;
    PFN_MsiRecordGetString recordGetString;
    PFN_MsiGetComponentPath getComponentPath;
    PFN_MsiCloseHandle closeHandle;
};

inline std::vector<std::pair<const char*, FARPROC>> MsiExportTable(const MsiFunctions& f) {
    return {
        {"MsiOpenDatabaseA", (FARPROC)f.openDatabase},
        {"MsiGetSummaryInformationA", (FARPROC)f.getSummaryInformation},
        {"MsiDatabaseOpenViewA", (FARPROC)f.databaseOpenView},
        {"MsiViewExecute", (FARPROC)f.viewExecute},
        {"MsiViewFetch", (FARPROC)f.viewFetch},
        {"MsiRecordGetStringA", (FARPROC)f.recordGetString},
        {"MsiGetComponentPathA", (FARPROC)f.getComponentPath},
        {"MsiCloseHandle", (FARPROC)f.closeHandle},
    };
}
