// Files of the disc folder replaced so that a failure half way leaves what
// was there before: each written beside its place first, then renamed. Every
// path lies below the disc's root and is reached as CDiscPlace reaches it,
// never through a symbolic link.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct FileContent {
    std::string path;
    std::vector<unsigned char> bytes;
};

// Writes every file to a temporary file beside it, with the mode of the file
// it replaces (0644 for a new one), and only when all are written renames
// them into place. False, with the reason, and no file changed when a file
// cannot be written, its place holds a folder, or its path has a link.
bool ReplaceFiles(const std::string& root, const std::vector<FileContent>& files, std::string* error);

// A private folder (0700) beside the path, "." NAME ".bxdisc-XXXXXX", for a
// program that writes only files of its own making; "" and the reason when
// the folder cannot take it.
std::string MakeFolderBeside(const std::string& root, const std::string& path, std::string* error);
// Removes such a folder and the files in it.
void RemoveFolderBeside(const std::string& root, const std::string& folder);

// Renames each temporary file (first) onto its place (second), where it
// takes the mode of the file it replaces. When one rename fails, the files
// already renamed are put back as they were, where the file system keeps a
// second name for them. Every temporary file is gone afterwards. False with
// the reason; no file is changed when a place's state cannot be read.
bool RenameIntoPlace(const std::string& root, const std::vector<std::pair<std::string, std::string>>& moves,
                     std::string* error);
