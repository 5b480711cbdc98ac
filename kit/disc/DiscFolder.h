// The disc folder on Linux, looked at the way Windows will see the disc:
// names found without regard to case, backslashes as separators.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The Linux path of a name from Autorun.inf (code page 1252, relative to the
// disc's root), or "" when no such file or folder is there or the name
// climbs out of the root (*leaves set then, where given).
std::string FindOnDisc(const std::string& root, const std::string& name, bool* leaves = nullptr);

bool IsFolder(const std::string& path);
// Makes the folder and those of its parents that are missing, as mkdir -p
// does. A folder already there is taken as the path names it, links and
// all; each one made is entered without following a link, and a link that
// leads nowhere is never made into a folder. *made: the folders made,
// outermost first. False with the reason, naming the path that stops it,
// and nothing made. With dryRun nothing is made: *made lists what would
// be, and the reason tells what would stop it.
bool MakeFolders(const std::string& path, bool dryRun, std::vector<std::string>* made, std::string* error);
// Removes the folders MakeFolders made, innermost first, where still empty.
void RemoveFolders(const std::vector<std::string>& made);
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes);
// The folder's entries less . and .., sorted; false when it cannot be read.
bool ListFolder(const std::string& path, std::vector<std::string>* names);
// Up to n bytes from the file's start; false when it cannot be read.
bool ReadFileHead(const std::string& path, size_t n, std::vector<unsigned char>* bytes);

struct DiscWalkEntry {
    std::string relative;  // '/' between names
    std::string path;
    std::string name;
    bool folder;
    bool link;  // a symbolic link, never followed
    uint64_t size;
    int depth;  // the folders it lies in below the root
};
// Every entry below the root, each folder before what it holds, in name
// order. Symbolic links are visited but never followed, as a link may lead
// anywhere; folders past a depth no disc has are passed over. False when
// root cannot be read.
bool WalkDisc(const std::string& root, const std::function<void(const DiscWalkEntry&)>& visit);
