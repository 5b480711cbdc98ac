#include "kit/image/DiscImage.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// SOURCE_DATE_EPOCH as the reproducible-builds convention has it: decimal seconds.
std::string SourceDateEpoch() {
    const char* value = getenv("SOURCE_DATE_EPOCH");
    if (!value || !*value || strspn(value, "0123456789") != strlen(value) || strlen(value) > 12)
        return std::string();
    return value;
}

}  // namespace

bool MakeDiscImage(const std::string& folder, const std::string& isoPath, const std::string& label, bool bLarge,
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
