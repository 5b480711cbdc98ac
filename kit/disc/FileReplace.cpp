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

// A name of its own beside the place's file, which make takes (false with
// errno EEXIST: taken already); "" with errno when none could be.
template <class Make>
std::string TakeNameBeside(const CDiscPlace& place, const char* kind, Make make) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = NameBeside(place.name(), kind);
        if (make(name.c_str())) return name;
        if (errno != EEXIST) break;
    }
    return std::string();
}

// A temporary file beside the place holding the bytes, with the mode of the
// file it replaces; its name, or "" and the reason.
std::string WriteTemporary(const CDiscPlace& place, const std::vector<unsigned char>& bytes, std::string* error) {
    int fd = -1;
    std::string temp = TakeNameBeside(place, ".bxdisc", [&](const char* name) {
        fd = openat(place.folder(), name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        return fd >= 0;
    });
    if (temp.empty()) {
        *error = place.relative() + ": cannot write in its folder (" + strerror(errno) + ")";
        return std::string();
    }
    mode_t mode = place.exists() ? (place.mode() & 07777) : 0644;
    bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
    int err = errno;
    ok = close(fd) == 0 && ok;
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

}  // namespace

bool ReplaceFiles(const std::string& root, const std::vector<FileContent>& files, std::string* error) {
    std::vector<CDiscPlace> places(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        if (!places[i].Open(root, files[i].path, error)) return false;
        if (places[i].exists() && S_ISDIR(places[i].mode())) {
            *error = places[i].relative() + ": is a folder";
            return false;
        }
    }
    std::vector<std::string> temps;
    for (size_t i = 0; i < files.size(); ++i) {
        temps.push_back(WriteTemporary(places[i], files[i].bytes, error));
        if (temps.back().empty()) {
            for (size_t j = 0; j < i; ++j) unlinkat(places[j].folder(), temps[j].c_str(), 0);
            return false;
        }
    }
    std::vector<std::pair<std::string, std::string>> moves;
    for (size_t i = 0; i < files.size(); ++i) moves.push_back({Beside(files[i].path, temps[i]), files[i].path});
    return RenameIntoPlace(root, moves, error);
}

std::string MakeFolderBeside(const std::string& root, const std::string& path, std::string* error) {
    CDiscPlace place;
    if (!place.Open(root, path, error)) return std::string();
    std::string name = TakeNameBeside(place, ".bxdisc",
                                      [&](const char* n) { return mkdirat(place.folder(), n, 0700) == 0; });
    if (name.empty()) {
        *error = place.relative() + ": cannot write in its folder (" + strerror(errno) + ")";
        return std::string();
    }
    return Beside(path, name);
}

void RemoveFolderBeside(const std::string& root, const std::string& folder) {
    CDiscPlace place;
    std::string error;
    if (!place.Open(root, folder, &error) || !place.exists() || !S_ISDIR(place.mode())) return;
    int fd = openat(place.folder(), place.name().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (DIR* d = fd < 0 ? nullptr : fdopendir(fd)) {
        while (dirent* e = readdir(d))
            if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) unlinkat(fd, e->d_name, 0);
        closedir(d);
    } else if (fd >= 0) {
        close(fd);
    }
    unlinkat(place.folder(), place.name().c_str(), AT_REMOVEDIR);
}

bool RenameIntoPlace(const std::string& root, const std::vector<std::pair<std::string, std::string>>& moves,
                     std::string* error) {
    std::vector<CDiscPlace> from(moves.size()), to(moves.size());
    bool ok = true;
    for (size_t i = 0; i < moves.size(); ++i) {
        std::string reason;
        if (!from[i].Open(root, moves[i].first, &reason) && ok) *error = reason, ok = false;
        if (!to[i].Open(root, moves[i].second, &reason) && ok) *error = reason, ok = false;
    }
    if (!ok) {
        for (const CDiscPlace& f : from)
            if (f.exists()) unlinkat(f.folder(), f.name().c_str(), 0);
        return false;
    }
    // A second name for each file replaced, to put it back by.
    std::vector<std::string> olds;
    for (size_t i = 0; i < moves.size(); ++i) {
        std::string old;
        if (to[i].exists() && S_ISREG(to[i].mode())) {
            fchmodat(from[i].folder(), from[i].name().c_str(), to[i].mode() & 07777, 0);
            old = TakeNameBeside(to[i], ".bxdisc-old", [&](const char* name) {
                return linkat(to[i].folder(), to[i].name().c_str(), to[i].folder(), name, 0) == 0;
            });
        }
        olds.push_back(old);
    }
    size_t done = 0;
    for (; done < moves.size(); ++done) {
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
        for (size_t j = done; j < moves.size(); ++j) unlinkat(from[j].folder(), from[j].name().c_str(), 0);
    }
    for (size_t j = 0; j < moves.size(); ++j)
        if (!olds[j].empty()) unlinkat(to[j].folder(), olds[j].c_str(), 0);
    return ok;
}
