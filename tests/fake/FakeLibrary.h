// Libraries found on the search path, loaded, and asked for their exports.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace fake {

struct LibraryFile {
    std::string path;  // where the search finds it
    bool loadable = true;
    std::map<std::string, FARPROC> exports;
};

struct LibraryState {
    // By the name searched for, without regard to case as the file system does.
    std::map<std::string, LibraryFile> files;
    std::vector<std::string> searches;  // names given to SearchPathA
    std::vector<std::string> lookups;   // names given to GetProcAddress
    std::vector<DWORD> loadFlags;       // of each LoadLibraryExA
    std::vector<std::string> events;    // "load X", "free X", and what other fakes add
    std::map<HMODULE, int> loaded;      // load count by module
    int badFrees = 0;                   // FreeLibrary of a module not loaded
};

LibraryState& Library();
// Whether the library found under this name is loaded right now.
bool IsLibraryLoaded(const std::string& name);

}  // namespace fake
