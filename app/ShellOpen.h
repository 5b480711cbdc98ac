#pragma once

// Opens a file through the shell, as Explorer would; does not wait for it.
// True when the shell reports that it started.
bool ShellOpen(const char* pszFile, const char* pszParameters);
