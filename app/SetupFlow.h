// The steps of the launch flow that InitInstance strings together.
#pragma once

#include "params/ParamFile.h"
#include "platform/Types.h"

// Shows the front window modally and gives its result: IDRUNPRODUCT,
// IDRUNSETUP, IDCANCEL, or -1 when it could not run or a quit request is
// pending. The window is gone when this returns.
int RunFrontWindow();

// Starts the installed product's program, or says it could not.
void RunInstalledProduct(const CParamFile& params);

// The prerequisites, then the setup program with the command-line tail less
// the autorun switch. TRUE when the setup program was started.
BOOL RunSetupPath(const CParamFile& params, const char* pszTail);
