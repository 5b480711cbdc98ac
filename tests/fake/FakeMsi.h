// An installer library over in-memory packages, exported from a fake Msi.dll
// under the names the real one uses.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "msi/MsiApi.h"

namespace fake {

struct MsiShortcut {
    std::string id;         // Shortcut.Shortcut, the order of the query
    std::string component;  // Shortcut.Component_
};

struct MsiPackageData {
    std::vector<std::pair<std::string, std::string>> properties;
    bool hasShortcutTable = true;
    std::vector<MsiShortcut> shortcuts;
    std::map<std::string, std::string> componentIds;  // Component -> ComponentId
    bool summaryFails = false;
};

struct MsiComponentPath {
    std::string path;
    int state = 3;  // INSTALLSTATE_LOCAL
};

struct MsiHandle {
    std::string kind;  // database, summary, view, record
    std::vector<std::vector<std::string>> rows;  // a view's result
    size_t next = 0;
    std::vector<std::string> fields;  // a record's
};

struct MsiCall {
    std::string function;
    std::vector<std::string> args;
};

struct MsiState {
    std::map<std::string, MsiPackageData> packages;  // by path
    // By product code and component id, as the installer registered them.
    std::map<std::pair<std::string, std::string>, MsiComponentPath> installed;
    bool executeFails = false;

    std::vector<MsiCall> calls;
    std::vector<std::string> queries;
    std::map<MSIHANDLE, MsiHandle> open;
    std::vector<std::string> closed;  // kinds, in order
    int badCloses = 0;                // of a handle that is not open
    int callsWhileUnloaded = 0;
    int mostRecordsOpen = 0;
    MSIHANDLE nextHandle = 0x100;
};

MsiState& Msi();
// Puts Msi.dll on the search path, exporting every function the launcher binds.
void InstallMsiDll();
// The number of calls made of one function.
int MsiCallCount(const std::string& function);

}  // namespace fake
