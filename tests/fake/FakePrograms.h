// Programs started and waited for.
#pragma once

#include <string>
#include <vector>

#include "platform/Types.h"

namespace fake {

struct ProgramRun {
    std::string commandLine;
    bool hasApplicationName;
    BOOL inheritHandles;
    DWORD creationFlags;
    DWORD startupSize;
    size_t boxesBefore;  // message boxes shown before it started
};

struct ProgramsState {
    std::vector<ProgramRun> runs;
    bool startFails = false;
    DWORD waitResult = WAIT_OBJECT_0;
    DWORD waitTimeout = 0;  // the time limit of the last wait
    DWORD exitCode = 0;
    bool exitCodeFails = false;
};

ProgramsState& Programs();

}  // namespace fake
