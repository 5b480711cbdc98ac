// An in-memory file system: paths compared without regard to ASCII case,
// entries listed by a directory search in the order they were added.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace fake {

struct FileEntry {
    std::string path;  // full path, no trailing backslash
    bool directory = false;
    std::string content;
    bool readOnly = false;  // as every file on a CD is
};

struct FileSystemState {
    std::vector<FileEntry> entries;
    unsigned nextTempNumber = 0x1A;
    bool tempNamesFail = false;
    std::set<std::string> failingCopies;  // source paths whose copy fails
    std::set<std::string> locked;         // paths CreateFileA refuses
    long long spaceLeft = -1;             // bytes files may still grow by; -1: no limit
    bool writesFail = false;              // WriteFile fails without writing
    std::vector<DWORD> shareModes;        // of each CreateFileA

    FileSystemState();
    FileEntry& AddFile(const std::string& path, const std::string& content = "");
    FileEntry& AddDirectory(const std::string& path);
    FileEntry* Find(const std::string& path);
    bool Exists(const std::string& path) { return Find(path) != nullptr; }
    // The file's content; "<missing>" when there is no such file.
    std::string Content(const std::string& path);
    // Full paths of the files directly in a directory, in entry order.
    std::vector<std::string> FilesIn(const std::string& directory);
};

FileSystemState& FileSystem();

}  // namespace fake
