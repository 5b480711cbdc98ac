// Scheduling file replacements for the next start of Windows 9x.
#pragma once

#include "framework/String.h"

// wininit.ini beyond this size is not ours to rewrite: nothing is scheduled.
const unsigned long kMaxWininitSize = 1024 * 1024;

// Adds the rename pairs to wininit.ini in the Windows directory, keeping what
// it holds. False when nothing was written; the file is then as it was.
bool ScheduleRenames(const CString& strLines);
