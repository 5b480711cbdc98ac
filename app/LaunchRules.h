// The text rules of the launch flow.
#pragma once

#include "framework/String.h"

// The text less its first "/AUTORUN", or else its first "-AUTORUN", found
// without regard to case; everything else, blanks included, stays as it is.
CString StripAutorunSwitch(const CString& strText);

// True when the window text begins with the wanted text, without regard to case.
bool MatchesWindowTitle(const char* pszWindowText, const CString& strWanted);
