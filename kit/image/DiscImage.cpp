#include "kit/image/DiscImage.h"

#include <sys/wait.h>
#include <unistd.h>

#include <vector>

bool MakeDiscImage(const std::string& folder, const std::string& isoPath, const std::string& label,
                   std::string* error) {
    // Rock Ridge as well, so that a Linux reader sees the same names.
    std::vector<std::string> args = {"xorriso", "-as", "mkisofs", "-quiet", "-J", "-r",
                                     "-V",      label, "-o",      isoPath,  folder};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        *error = "cannot start xorriso";
        return false;
    }
    if (pid == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *error = WIFEXITED(status) && WEXITSTATUS(status) == 127 ? "xorriso is not installed"
                                                                  : "xorriso failed";
        return false;
    }
    return true;
}
