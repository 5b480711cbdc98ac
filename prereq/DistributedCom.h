// Distributed COM on Windows 95: its installer from the disc, when the
// installed version is older than the one the parameter file asks for.
#pragma once

#include "framework/String.h"
#include "params/ParamFile.h"

// 1 when the installer is to run.
int NeedsDistributedCom(const CParamFile& params);
// The installer's quiet command line: the path in quotes and its switches.
CString DistributedComCommandLine(const char* pszLauncherDirectory, const char* pszInstaller);
// kStepEndNow when the user chose at the restart prompt to end the
// installation now, else kStepGoOn.
int InstallDistributedCom(const CParamFile& params);
