// The disc folder on Linux, looked at the way Windows will see the disc:
// names found without regard to case, backslashes as separators.
#pragma once

#include <string>
#include <vector>

// The Linux path of a name from Autorun.inf (code page 1252, relative to the
// disc's root), or "" when no such file or folder is there or the name
// climbs out of the root (*leaves set then, where given).
std::string FindOnDisc(const std::string& root, const std::string& name, bool* leaves = nullptr);

bool IsFolder(const std::string& path);
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes);
// The folder's entries less . and .., sorted; false when it cannot be read.
bool ListFolder(const std::string& path, std::vector<std::string>* names);
