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
std::string WriteTemporary(const FileContent& file, std::string* error) {
    size_t slash = file.path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : file.path.substr(0, slash);
    std::string name = slash == std::string::npos ? file.path : file.path.substr(slash + 1);
    std::string temp = folder + "/." + name + ".bxdisc-XXXXXX";
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
    for (size_t i = 0; i < files.size(); ++i) {
        if (rename(temps[i].c_str(), files[i].path.c_str()) != 0) {
            *error = files[i].path + ": cannot be replaced (" + strerror(errno) + ")";
            for (size_t j = i; j < temps.size(); ++j) unlink(temps[j].c_str());
            return false;
        }
    }
    return true;
}
