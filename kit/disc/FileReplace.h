// Files of the disc folder replaced so that a failure half way leaves what
// was there before: each written beside its place first, then renamed.
#pragma once

#include <string>
#include <vector>

struct FileContent {
    std::string path;
    std::vector<unsigned char> bytes;
};

// Writes every file to a temporary file beside it, with the mode of the file
// it replaces (0644 for a new one), and only when all are written renames
// them into place. False, with the reason, and no file changed when a file
// cannot be written or its place holds a folder.
bool ReplaceFiles(const std::vector<FileContent>& files, std::string* error);
