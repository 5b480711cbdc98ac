// Files of the disc folder replaced so that a failure half way leaves what
// was there before: each written beside its place first, then renamed. Every
// path lies below the disc's root and is reached as CDiscPlace reaches it,
// never through a symbolic link.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "kit/disc/DiscPlace.h"

struct FileContent {
    std::string path;
    std::vector<unsigned char> bytes;
};

// Writes every file to a temporary file beside it, with the mode of the file
// it replaces (0644 for a new one), and only when all are written renames
// them into place. False, with the reason, and no file changed when a file
// cannot be written, its place holds a folder, or its path has a link.
// *warning: on success, the old copies that could not be removed once every
// file was in place (see RenamePlaces), else "".
bool ReplaceFiles(const std::string& root, const std::vector<FileContent>& files, std::string* error,
                  std::string* warning);

// A new file (0600) beside the file NAME in the folder, ".NAME.bxdisc-XXXXXX",
// made there and never through a link: its descriptor, open for writing,
// and *made its name; -1 with errno when none could be made.
int CreateBeside(int folder, const std::string& name, std::string* made);

// A private folder (0700) beside the path, "." NAME ".bxdisc-XXXXXX", for a
// program that writes only files of its own making; "" and the reason when
// the folder cannot take it.
std::string MakeFolderBeside(const std::string& root, const std::string& path, std::string* error);
// Removes such a folder and the files in it; false with the reason when it
// or a file in it stays.
bool RemoveFolderBeside(const std::string& root, const std::string& folder, std::string* error);
// Takes the file NAME out of such a folder to a new temporary name beside
// the file of the place beside (in the folder's own folder), opened in
// *taken, and removes the folder with the rest of what it holds. False with
// the reason, and the file gone then; the folder stays when it cannot be
// removed.
bool TakeFromFolderBeside(const std::string& root, const std::string& folder, const char* name,
                          const CDiscPlace& beside, CDiscPlace* taken, std::string* error);

// Renames each temporary file of from onto the place of to at the same
// index, where it takes the mode of the file it replaces. When one rename
// fails, the files already renamed are put back as they were, where the file
// system keeps a second name for them, and every temporary file is gone:
// false with the reason. Once every file is in place, a second name that
// cannot be removed stays: the files are replaced all the same, and *warning
// names each such copy for the author to delete ("" when none is left).
bool RenamePlaces(const std::vector<CDiscPlace>& from, const std::vector<CDiscPlace>& to, std::string* error,
                  std::string* warning);
