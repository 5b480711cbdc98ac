#pragma once

#include <map>
#include <string>

#include "platform/Types.h"

namespace fake {

struct ProcessState {
    std::string commandLine = "setup.exe";
    std::string modulePath = "D:\\setup.exe";  // the launcher's own file
    std::map<HMODULE, std::string> modules;    // other loaded modules' files
    int quitRequests = 0;
    int lastQuitCode = -1;
    // The launcher's string table, read from res/setup.rc.
    std::map<unsigned, std::string> strings;
};

ProcessState& Process();

}  // namespace fake
