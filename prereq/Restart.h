// Running an installer to its end, and the restart that ends a prerequisite step.
#pragma once

#include "framework/String.h"
#include "platform/Types.h"

// What RunAndWait gives when the program could not be started or waited for.
const DWORD kRunFailed = 2;

// Runs the command line and waits for the program to end; its exit code, or
// kRunFailed.
DWORD RunAndWait(const char* pszCommandLine);

// The run-once data that starts the launcher again: its path, quoted when it
// holds a blank so that the system does not split it there.
CString RerunCommand(const char* pszModulePath);
// Registers the launcher under RunOnce for the next start; silent on failure.
void RegisterRerun();

// The results of a prerequisite step and of its restart prompt.
const int kStepGoOn = 0;
const int kStepEndNow = 1;  // the user chose to end the installation now

// Asks for a restart, and on No whether to end the installation now:
// kStepEndNow when the user chose to end it (a quit request is then
// pending), else kStepGoOn.
int PromptForRestart();
