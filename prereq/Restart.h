// Running an installer to its end, and the restart that ends a prerequisite step.
#pragma once

#include "framework/String.h"
#include "platform/Types.h"

// Runs the command line and waits for the program to end; its exit code, or
// 2 when it could not be started or waited for.
DWORD RunAndWait(const char* pszCommandLine);

// The run-once data that starts the launcher again: its path, quoted when it
// holds a blank so that the system does not split it there.
CString RerunCommand(const char* pszModulePath);
// Registers the launcher under RunOnce for the next start; silent on failure.
void RegisterRerun();

// Asks for a restart, and on No whether to end the installation now.
// 1 when the user chose to end it (a quit request is then pending), else 0.
int PromptForRestart();
