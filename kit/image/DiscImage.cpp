#include "kit/image/DiscImage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kit/disc/FileReplace.h"

namespace {

// SOURCE_DATE_EPOCH as the reproducible-builds convention has it: decimal seconds.
std::string SourceDateEpoch() {
    const char* value = getenv("SOURCE_DATE_EPOCH");
    if (!value || !*value || strspn(value, "0123456789") != strlen(value) || strlen(value) > 12)
        return std::string();
    return value;
}

bool RunXorriso(const std::string& folder, const std::string& isoPath, const std::string& label, bool bLarge,
                std::string* error) {
    // Rock Ridge as well, so that a Linux reader sees the same names.
    std::vector<std::string> args = {"xorriso", "-as", "mkisofs", "-quiet", "-J", "-r", "-V", label};
    if (bLarge) args.insert(args.end(), {"-joliet-long", "-iso-level", "3"});
    // xorriso takes the volume's dates from the variable itself; the files'
    // own dates would still make two images of one disc differ.
    std::string epoch = SourceDateEpoch();
    if (!epoch.empty()) args.insert(args.end(), {"--set_all_file_dates", "=" + epoch});
    args.insert(args.end(), {"-o", isoPath, folder});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    // What xorriso prints is the author's to read, as it comes.
    pid_t pid = fork();
    if (pid < 0) {
        *error = "cannot start xorriso (" + std::string(strerror(errno)) + ")";
        return false;
    }
    if (pid == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *error = WIFEXITED(status) && WEXITSTATUS(status) == 127 ? "xorriso is not installed: apt-get install xorriso"
                                                                  : "xorriso failed (its messages above)";
        return false;
    }
    return true;
}

}  // namespace

bool MakeDiscImage(const std::string& folder, const std::string& isoPath, const std::string& label, bool bLarge,
                   std::string* error) {
    size_t slash = isoPath.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : isoPath.substr(0, slash);
    std::string name = isoPath.substr(slash == std::string::npos ? 0 : slash + 1), temp;
    // Made beside its place and renamed onto it, so that a failure leaves what was there.
    int dirFd = open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    int fd = dirFd < 0 || name.empty() ? -1 : CreateBeside(dirFd, name, &temp);
    if (fd < 0) {
        *error = isoPath + ": cannot write in its folder (" + strerror(name.empty() ? EISDIR : errno) + ")";
        if (dirFd >= 0) close(dirFd);
        return false;
    }
    std::string tempPath = (slash == std::string::npos ? std::string() : isoPath.substr(0, slash + 1)) + temp;
    bool ok = RunXorriso(folder, tempPath, label, bLarge, error);
    if (ok) {
        // The mode of the image it replaces, or of a new file.
        struct stat st;
        mode_t mask = umask(0);
        umask(mask);
        mode_t mode = fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)
                          ? st.st_mode & 07777
                          : 0666 & ~mask;
        ok = fchmod(fd, mode) == 0 && fsync(fd) == 0;
        if (!ok) *error = "cannot write it (" + std::string(strerror(errno)) + ")";
    }
    if (close(fd) != 0 && ok) ok = false, *error = "cannot write it (" + std::string(strerror(errno)) + ")";
    if (ok && renameat(dirFd, temp.c_str(), dirFd, name.c_str()) != 0)
        ok = false, *error = "cannot be replaced (" + std::string(strerror(errno)) + ")";
    if (!ok) {
        *error = isoPath + ": " + *error;
        unlinkat(dirFd, temp.c_str(), 0);
    }
    close(dirFd);
    return ok;
}
