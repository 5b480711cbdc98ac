// The OLE Automation library of Windows 95 and 98, replaced by the files the
// disc delivers at the next start of the system.
#pragma once

#include "framework/String.h"
#include "params/ParamFile.h"

// 1 when the system's oleaut32.dll is to be replaced.
int NeedsAutomationUpdate();
// The OleAut32_Win9X value without a trailing backslash, when that directory
// exists beside the launcher; else "".
CString GetAutomationUpdateDirectory(const CParamFile& params);
// kStepEndNow when the user chose at the restart prompt to end the
// installation now, else kStepGoOn.
int UpdateAutomationLibrary(const CParamFile& params);
