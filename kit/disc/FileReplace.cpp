#include "kit/disc/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

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

// A temporary file beside the path holding the bytes, with the mode of the
// file it replaces; "" and the reason when it cannot be written.
std::string TemplateBeside(const std::string& path, const char* kind) {
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "/." + name + kind + "-XXXXXX";
}

std::string WriteTemporary(const FileContent& file, std::string* error) {
    std::string temp = TemplateBeside(file.path, ".bxdisc");
    int fd = mkstemp(&temp[0]);
    if (fd < 0) {
        *error = file.path + ": cannot write in its folder (" + strerror(errno) + ")";
        return std::string();
    }
    struct stat st;
    mode_t mode = stat(file.path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, file.bytes) && fsync(fd) == 0;
    int err = errno;
    ok = close(fd) == 0 && ok;
    if (!ok) {
        *error = file.path + ": cannot write (" + strerror(err) + ")";
        unlink(temp.c_str());
        return std::string();
    }
    return temp;
}

}  // namespace

bool ReplaceFiles(const std::vector<FileContent>& files, std::string* error) {
    for (const FileContent& file : files) {
        struct stat st;
        if (stat(file.path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            *error = file.path + ": is a folder";
            return false;
        }
    }
    std::vector<std::string> temps;
    for (const FileContent& file : files) {
        std::string temp = WriteTemporary(file, error);
        if (temp.empty()) {
            for (const std::string& t : temps) unlink(t.c_str());
            return false;
        }
        temps.push_back(temp);
    }
    std::vector<std::pair<std::string, std::string>> moves;
    for (size_t i = 0; i < files.size(); ++i) moves.push_back({temps[i], files[i].path});
    return RenameIntoPlace(moves, error);
}

std::string MakeFolderBeside(const std::string& path, std::string* error) {
    std::string temp = TemplateBeside(path, ".bxdisc");
    if (!mkdtemp(&temp[0])) {
        *error = path + ": cannot write in its folder (" + strerror(errno) + ")";
        return std::string();
    }
    return temp;
}

bool RenameIntoPlace(const std::vector<std::pair<std::string, std::string>>& moves, std::string* error) {
    // A second name for each file replaced, to put it back by.
    std::vector<std::string> olds;
    std::vector<bool> fresh;  // nothing was in its place
    for (const auto& m : moves) {
        std::string old;
        struct stat st;
        fresh.push_back(lstat(m.second.c_str(), &st) != 0 && errno == ENOENT);
        if (!fresh.back() && S_ISREG(st.st_mode)) {
            for (int attempt = 0; attempt < 100 && old.empty(); ++attempt) {
                std::string name = TemplateBeside(m.second, ".bxdisc-old");
                int fd = mkstemp(&name[0]);
                if (fd < 0) break;
                close(fd);
                unlink(name.c_str());
                if (link(m.second.c_str(), name.c_str()) == 0) old = name;
                else if (errno != EEXIST) break;
            }
        }
        olds.push_back(old);
    }
    bool ok = true;
    size_t done = 0;
    for (; done < moves.size(); ++done) {
        if (rename(moves[done].first.c_str(), moves[done].second.c_str()) != 0) {
            *error = moves[done].second + ": cannot be replaced (" + strerror(errno) + ")";
            ok = false;
            break;
        }
    }
    if (!ok) {
        for (size_t j = 0; j < done; ++j) {
            if (fresh[j]) unlink(moves[j].second.c_str());
            else if (!olds[j].empty() && rename(olds[j].c_str(), moves[j].second.c_str()) == 0) olds[j].clear();
        }
        for (size_t j = done; j < moves.size(); ++j) unlink(moves[j].first.c_str());
    }
    for (const std::string& old : olds)
        if (!old.empty()) unlink(old.c_str());
    return ok;
}
