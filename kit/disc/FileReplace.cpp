#include "kit/disc/FileReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "kit/disc/DiscPlace.h"

namespace {

const int kNameAttempts = 100;

bool WriteAll(int fd, const std::vector<unsigned char>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = ENOSPC;  // no room, as the kernel says it without an error
        if (n <= 0) return false;
        done += (size_t)n;
    }
    return true;
}

// "." NAME KIND "-" and six random characters.
std::string NameBeside(const std::string& name, const char* kind) {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static unsigned s_count;
    unsigned char random[6];
    if (getrandom(random, sizeof random, GRND_NONBLOCK) != (ssize_t)sizeof random) {
        // Names only need to differ: a taken one is tried again.
        unsigned long long x = (unsigned long long)time(nullptr) * 2654435761u + getpid() * 40503u + ++s_count;
        for (unsigned char& r : random) r = (unsigned char)(x >>= 5);
    }
    std::string out = "." + name + kind + "-";
    for (unsigned char r : random) out += kChars[r % (sizeof kChars - 1)];
    return out;
}

// A name of its own beside the file, which make takes (false with
// errno EEXIST: taken already); "" with errno when none could be.
template <class Make>
std::string TakeNameBeside(const std::string& beside, const char* kind, Make make) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = NameBeside(beside, kind);
        if (make(name.c_str())) return name;
        if (errno != EEXIST) break;
    }
    return std::string();
}

// A temporary file beside the place holding the bytes, with the mode of the
// file it replaces; its name, or "" and the reason.
std::string WriteTemporary(const CDiscPlace& place, const std::vector<unsigned char>& bytes, std::string* error) {
    std::string temp;
    int fd = CreateBeside(place.folder(), place.name(), &temp);
    if (fd < 0) {
        *error = place.relative() + ": cannot write in its folder (" + strerror(errno) + ")";
        return std::string();
    }
    mode_t mode = place.exists() ? (place.mode() & 07777) : 0644;
    bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
    int err = errno;
    // A close that fails may have lost what was written: its own reason then.
    if (close(fd) != 0 && ok) ok = false, err = errno;
    if (!ok) {
        *error = place.relative() + ": cannot write (" + strerror(err) + ")";
        unlinkat(place.folder(), temp.c_str(), 0);
        return std::string();
    }
    return temp;
}

// The path of a name in the folder of path.
std::string Beside(const std::string& path, const std::string& name) {
    return path.substr(0, path.rfind('/') + 1) + name;
}

// What is written of the file, on the disk; false with errno.
bool SyncFile(int folder, const std::string& name) {
    int fd = openat(folder, name.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0;
    int err = errno;
    if (close(fd) != 0 && ok) return false;
    errno = err;
    return ok;
}

// Removes the folder of the place with the files in it; fd, when not -1, a
// descriptor of it open for reading, which this closes. False with the reason.
bool RemoveFolderAt(const CDiscPlace& place, int fd, std::string* error) {
    if (fd < 0) fd = openat(place.folder(), place.name().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* d = fd < 0 ? nullptr : fdopendir(fd);
    bool ok = d != nullptr;
    int err = errno;
    while (dirent* e = d ? readdir(d) : nullptr) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0 && unlinkat(fd, e->d_name, 0) != 0)
            ok = false, err = errno;
    }
    if (d) closedir(d);
    else if (fd >= 0) close(fd);
    if (ok && unlinkat(place.folder(), place.name().c_str(), AT_REMOVEDIR) != 0) ok = false, err = errno;
    if (!ok) *error = place.relative() + ": cannot be removed (" + strerror(err) + ")";
    return ok;
}

}  // namespace

int CreateBeside(int folder, const std::string& name, std::string* made) {
    int fd = -1;
    *made = TakeNameBeside(name, ".bxdisc", [&](const char* temp) {
        fd = openat(folder, temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        return fd >= 0;
    });
    return made->empty() ? -1 : fd;
}

bool ReplaceFiles(const std::string& root, const std::vector<FileContent>& files, std::string* error,
                  std::string* warning) {
    std::vector<CDiscPlace> places(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        if (!places[i].Open(root, files[i].path, error)) return false;
        if (places[i].exists() && S_ISDIR(places[i].mode())) {
            *error = places[i].relative() + ": is a folder";
            return false;
        }
    }
    // Each temporary file reached through its place's folder, never by its path again.
    std::vector<CDiscPlace> temps(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        std::string temp = WriteTemporary(places[i], files[i].bytes, error);
        if (temp.empty() || !temps[i].OpenBeside(places[i], temp)) {
            if (!temp.empty()) {
                *error = places[i].relative() + ": cannot be reached (" + strerror(errno) + ")";
                unlinkat(places[i].folder(), temp.c_str(), 0);
            }
            for (size_t j = 0; j < i; ++j) unlinkat(temps[j].folder(), temps[j].name().c_str(), 0);
            return false;
        }
    }
    return RenamePlaces(temps, places, error, warning);
}

std::string MakeFolderBeside(const std::string& root, const std::string& path, std::string* error) {
    CDiscPlace place;
    if (!place.Open(root, path, error)) return std::string();
    std::string name = TakeNameBeside(place.name(), ".bxdisc",
                                      [&](const char* n) { return mkdirat(place.folder(), n, 0700) == 0; });
    if (name.empty()) {
        *error = place.relative() + ": cannot write in its folder (" + strerror(errno) + ")";
        return std::string();
    }
    return Beside(path, name);
}

bool RemoveFolderBeside(const std::string& root, const std::string& folder, std::string* error) {
    CDiscPlace place;
    if (!place.Open(root, folder, error)) return false;
    return !place.exists() || !S_ISDIR(place.mode()) || RemoveFolderAt(place, -1, error);
}

bool TakeFromFolderBeside(const std::string& root, const std::string& folder, const char* name,
                          const CDiscPlace& beside, CDiscPlace* taken, std::string* error) {
    CDiscPlace place;
    if (!place.Open(root, folder, error)) return false;
    int fd = openat(place.folder(), place.name().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    std::string temp = fd < 0 ? std::string() : TakeNameBeside(beside.name(), ".bxdisc", [&](const char* to) {
        return renameat2(fd, name, beside.folder(), to, RENAME_NOREPLACE) == 0;
    });
    if (temp.empty()) {
        *error = beside.relative() + ": cannot be taken out of " + place.relative() + " (" + strerror(errno) + ")";
        if (fd >= 0) close(fd);
        return false;
    }
    bool ok = RemoveFolderAt(place, fd, error);
    // On the disk whole before it replaces anything: the program that wrote it did not see to that.
    if (ok && (!SyncFile(beside.folder(), temp) || !taken->OpenBeside(beside, temp))) {
        *error = beside.relative() + ": cannot write (" + strerror(errno) + ")";
        ok = false;
    }
    if (!ok) unlinkat(beside.folder(), temp.c_str(), 0);
    return ok;
}

bool RenamePlaces(const std::vector<CDiscPlace>& from, const std::vector<CDiscPlace>& to, std::string* error,
                  std::string* warning) {
    warning->clear();
    bool ok = true;
    // A second name for each file replaced, to put it back by should a later
    // rename fail: none for the last, after which nothing can.
    std::vector<std::string> olds(from.size());
    for (size_t i = 0; i < from.size() && ok; ++i) {
        if (!to[i].exists()) continue;
        mode_t mode = to[i].mode() & 07777;
        if ((from[i].mode() & 07777) != mode && fchmodat(from[i].folder(), from[i].name().c_str(), mode, 0) != 0) {
            *error = to[i].relative() + ": cannot be given the mode of the file it replaces (" + strerror(errno) + ")";
            ok = false;
        } else if (i + 1 < from.size()) {
            olds[i] = TakeNameBeside(to[i].name(), ".bxdisc-old", [&](const char* name) {
                return linkat(to[i].folder(), to[i].name().c_str(), to[i].folder(), name, 0) == 0;
            });
        }
    }
    size_t done = 0;
    for (; ok && done < from.size(); ++done) {
        if (renameat(from[done].folder(), from[done].name().c_str(), to[done].folder(), to[done].name().c_str()) != 0) {
            *error = to[done].relative() + ": cannot be replaced (" + strerror(errno) + ")";
            ok = false;
            break;
        }
    }
    if (!ok) {
        for (size_t j = 0; j < done; ++j) {
            if (!to[j].exists())
                unlinkat(to[j].folder(), to[j].name().c_str(), 0);
            else if (!olds[j].empty() &&
                     renameat(to[j].folder(), olds[j].c_str(), to[j].folder(), to[j].name().c_str()) == 0)
                olds[j].clear();
        }
        for (size_t j = done; j < from.size(); ++j) unlinkat(from[j].folder(), from[j].name().c_str(), 0);
    }
    for (size_t j = 0; j < from.size(); ++j) {
        if (olds[j].empty() || unlinkat(to[j].folder(), olds[j].c_str(), 0) == 0 || !ok) continue;
        // Every file is in place by now: the author is told of the copy left.
        *warning += std::string(warning->empty() ? "" : "; ") + to[j].relative() +
                    ": its old copy is left beside it as " + olds[j] + " (" + strerror(errno) + "); delete it";
    }
    return ok;
}
