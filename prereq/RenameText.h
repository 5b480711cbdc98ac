// The [rename] section of wininit.ini, which the system applies at its next
// start: "NUL=target" deletes the target, "target=source" moves source there.
#pragma once

#include "framework/String.h"

// Appends the two lines that replace pszTarget by pszStaged, each ending CR LF.
void AppendRenamePair(CString& strLines, const char* pszTarget, const char* pszStaged);

// The wininit.ini text with strLines (pairs, no header) added: at the end of
// its first [rename] section, or in a new section at the end of the file.
// Every line of strExisting is kept byte for byte; an empty strExisting
// gives "[rename]\r\n" + strLines.
CString MergeRenameLines(const CString& strExisting, const CString& strLines);
