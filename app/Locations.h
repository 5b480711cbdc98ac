// The directories the launcher builds its paths from.
#pragma once

#include "framework/String.h"

// The drive and folder of the launcher's own file, ending with a separator
// (D:\ or D:\INSTALL\); "" when the platform cannot tell.
CString GetLauncherDirectory();
// The system and Windows directories, never ending with a backslash.
CString GetSystemDirectoryPath();
CString GetWindowsDirectoryPath();

// The drive and directory of a full path, as the standard path splitting
// gives them: up to and including the last '\' or '/', or the drive alone.
CString DirectoryOfPath(const CString& strPath);
