// Shell, named mutexes and directories.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace fake {

struct ShellCall {
    std::string verb, file, directory;
    bool hasParameters;
    std::string parameters;
    int showCmd;
};

struct SystemState {
    std::vector<ShellCall> shellCalls;
    INT_PTR shellResult = 42;  // above 32: started

    std::set<std::string> mutexes;  // names that exist and open with full access
    std::vector<std::string> mutexOpens;
    int openHandles = 0;

    std::string systemDirectory = "C:\\WINDOWS\\SYSTEM";
    std::string windowsDirectory = "C:\\WINDOWS";
};

SystemState& System();

}  // namespace fake
