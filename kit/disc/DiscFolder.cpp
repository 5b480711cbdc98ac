#include "kit/disc/DiscFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "framework/String.h"
#include "kit/disc/DiscText.h"

namespace {

const int kMaxWalkDepth = 64;

void WalkBelow(const std::string& path, const std::string& relative, int depth,
               const std::function<void(const DiscWalkEntry&)>& visit) {
    std::vector<std::string> names;
    if (depth > kMaxWalkDepth || !ListFolder(path, &names)) return;
    for (const std::string& name : names) {
        DiscWalkEntry e;
        e.name = name;
        e.path = path + "/" + name;
        e.relative = relative.empty() ? name : relative + "/" + name;
        struct stat st;
        if (lstat(e.path.c_str(), &st) != 0) continue;
        e.folder = S_ISDIR(st.st_mode);
        e.link = S_ISLNK(st.st_mode);
        e.size = (uint64_t)st.st_size;
        e.depth = depth;
        visit(e);
        if (e.folder) WalkBelow(e.path, e.relative, depth + 1, visit);
    }
}

// The entry of the folder whose name, in code page 1252, equals the wanted
// one without regard to case; an exact match wins over a folded one.
std::string MatchEntry(const std::string& folder, const std::string& wanted) {
    std::vector<std::string> names;
    if (!ListFolder(folder, &names)) return std::string();
    std::string found;
    for (const std::string& name : names) {
        std::string strCp;
        if (!Utf8ToCp1252(name, &strCp)) continue;
        if (strCp == wanted) return name;
        if (found.empty() && CompareNoCase(strCp.c_str(), wanted.c_str()) == 0) found = name;
    }
    return found;
}

}  // namespace

std::string FindOnDisc(const std::string& root, const std::string& name, bool* leaves) {
    if (leaves) *leaves = false;
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == '\\' || name[i] == '/') {
            if (part == "..") {
                if (parts.empty()) {
                    if (leaves) *leaves = true;
                    return std::string();
                }
                parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += name[i];
        }
    }
    if (parts.empty()) return std::string();
    std::string path = root;
    for (const std::string& wanted : parts) {
        std::string entry = MatchEntry(path, wanted);
        if (entry.empty()) return std::string();
        path += "/" + entry;
    }
    return path;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolders(const std::string& path, bool dryRun, std::vector<std::string>* made, std::string* error) {
    made->clear();
    if (path.empty() || path.size() >= PATH_MAX) {
        *error = path + ": cannot be made (" + strerror(path.empty() ? ENOENT : ENAMETOOLONG) + ")";
        return false;
    }
    // Walked by descriptor, so that a folder made here is the one entered next.
    int dir = open(path[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    bool missing = false;  // in a dry run: below a folder that would be made
    std::string reason;
    for (size_t start = 0, end = 0; dir >= 0 && start < path.size() && reason.empty(); start = end + 1) {
        end = std::min(path.find('/', start), path.size());
        std::string name = path.substr(start, end - start), here = path.substr(0, end);
        if (name.empty() || name == "." || (missing && name == "..")) continue;
        if (name.size() > NAME_MAX) {
            reason = here + ": cannot be made (" + strerror(ENAMETOOLONG) + ")";
            break;
        }
        if (missing) {
            made->push_back(here);
            continue;
        }
        int next = openat(dir, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (next < 0) {
            struct stat st;
            if (errno == ENOTDIR)
                reason = here + ": is not a folder";
            else if (errno != ENOENT)
                reason = here + ": cannot be reached (" + strerror(errno) + ")";
            else if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
                reason = here + ": is a symbolic link that leads nowhere";
            else if (dryRun ? faccessat(dir, ".", W_OK | X_OK, 0) != 0 : mkdirat(dir, name.c_str(), 0755) != 0)
                reason = here + ": cannot be made (" + strerror(errno) + ")";
            else {
                made->push_back(here);
                if (dryRun)
                    missing = true;
                else if ((next = openat(dir, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) < 0)
                    reason = here + ": cannot be entered (" + strerror(errno) + ")";
            }
        }
        if (next >= 0) {
            close(dir);
            dir = next;
        }
    }
    if (dir < 0 && reason.empty()) reason = path + ": cannot be reached (" + strerror(errno) + ")";
    if (dir >= 0) close(dir);
    if (reason.empty()) return true;
    *error = reason;
    if (!dryRun) RemoveFolders(*made);
    made->clear();
    return false;
}

void RemoveFolders(const std::vector<std::string>& made) {
    for (auto it = made.rbegin(); it != made.rend(); ++it) rmdir(it->c_str());
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes) {
    return ReadFileHead(path, SIZE_MAX, bytes);
}

bool ListFolder(const std::string& path, std::vector<std::string>* names) {
    names->clear();
    DIR* d = opendir(path.c_str());
    if (!d) return false;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names->push_back(name);
    }
    closedir(d);
    std::sort(names->begin(), names->end());
    return true;
}

bool ReadFileHead(const std::string& path, size_t n, std::vector<unsigned char>* bytes) {
    bytes->clear();
    // A disc's pipe or device would keep the reader waiting or reading for ever: plain files only.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    if (fd < 0) return false;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    FILE* f = fdopen(fd, "rb");
    if (!f) {
        close(fd);
        return false;
    }
    unsigned char buffer[65536];
    size_t got;
    while (bytes->size() < n && (got = fread(buffer, 1, std::min(sizeof buffer, n - bytes->size()), f)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + got);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

bool WalkDisc(const std::string& root, const std::function<void(const DiscWalkEntry&)>& visit) {
    std::vector<std::string> names;
    if (!ListFolder(root, &names)) return false;
    WalkBelow(root, std::string(), 0, visit);
    return true;
}
