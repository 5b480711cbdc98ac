#include "kit/disc/DiscPlace.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const char kLinkRefused[] = " is a symbolic link; a disc's files are written only inside its folder; "
                            "fix: replace the link with the ";

// The folder below root, one part at a time without following a link: where
// the kernel lacks openat2, and to name the part that stops it. -1 with errno
// (ELOOP for a link) and *stop the path of that part.
int WalkBeneath(int root, const std::string& folder, std::string* stop) {
    int dir = fcntl(root, F_DUPFD_CLOEXEC, 0);
    for (size_t start = 0, end = 0; dir >= 0 && start < folder.size(); start = end + 1) {
        end = folder.find('/', start);
        if (end == std::string::npos) end = folder.size();
        std::string part = folder.substr(start, end - start);
        if (part.empty() || part == ".") continue;
        *stop = folder.substr(0, end);
        int next = part == ".." ? (errno = EXDEV, -1)
                                : openat(dir, part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st;
        if (next < 0 && errno == ENOTDIR && fstatat(dir, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(st.st_mode))
            errno = ELOOP;
        int err = errno;
        close(dir);
        dir = next;
        errno = err;
    }
    return dir;
}

int OpenBeneath(int root, const std::string& folder, std::string* stop) {
    open_how how = {};
    how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS;
    int fd = (int)syscall(SYS_openat2, root, folder.c_str(), &how, sizeof how);
    return fd >= 0 ? fd : WalkBeneath(root, folder, stop);
}

}  // namespace

CDiscPlace::~CDiscPlace() { Close(); }

void CDiscPlace::Close() {
    if (m_folder >= 0) close(m_folder);
    m_folder = -1;
    m_bExists = false;
    m_mode = 0;
}

bool CDiscPlace::Open(const std::string& root, const std::string& path, std::string* error) {
    Close();
    std::string prefix = root.empty() || root.back() != '/' ? root + "/" : root;
    m_relative = path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : std::string();
    size_t slash = m_relative.rfind('/');
    m_name = m_relative.substr(slash == std::string::npos ? 0 : slash + 1);
    if (m_name.empty() || m_name == "." || m_name == "..") {
        *error = (m_relative.empty() ? path : m_relative) + ": names no file inside the disc folder";
        return false;
    }
    int rootFd = open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0) {
        *error = root + ": cannot be reached (" + strerror(errno) + ")";
        return false;
    }
    std::string stop;
    m_folder = OpenBeneath(rootFd, slash == std::string::npos ? "." : m_relative.substr(0, slash), &stop);
    int err = errno;
    close(rootFd);
    if (m_folder < 0) {
        if (err == ELOOP) *error = m_relative + ": \"" + stop + "\"" + kLinkRefused + "folder itself";
        else if (err == ENOTDIR) *error = m_relative + ": \"" + stop + "\" is not a folder";
        else *error = m_relative + ": cannot be reached (" + strerror(err) + ")";
        return false;
    }
    struct stat st;
    if (fstatat(m_folder, m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        m_bExists = true;
        m_mode = st.st_mode;
        if (!S_ISLNK(st.st_mode)) return true;
        bool bFolder = fstatat(m_folder, m_name.c_str(), &st, 0) == 0 && S_ISDIR(st.st_mode);
        *error = m_relative + ":" + kLinkRefused + (bFolder ? "folder" : "file") + " itself";
    } else if (errno == ENOENT) {
        return true;
    } else {
        *error = m_relative + ": cannot be reached (" + strerror(errno) + ")";
    }
    Close();
    return false;
}

bool CDiscPlace::OpenBeside(const CDiscPlace& place, const std::string& name) {
    Close();
    m_folder = fcntl(place.m_folder, F_DUPFD_CLOEXEC, 0);
    if (m_folder < 0) return false;
    m_name = name;
    size_t slash = place.m_relative.rfind('/');
    m_relative = (slash == std::string::npos ? std::string() : place.m_relative.substr(0, slash + 1)) + name;
    struct stat st;
    if (fstatat(m_folder, m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        m_bExists = true;
        m_mode = st.st_mode;
    } else if (errno != ENOENT) {
        Close();
        return false;
    }
    return true;
}
