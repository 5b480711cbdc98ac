#include "kit/cli/DataFolder.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "kit/disc/DiscFolder.h"

std::string FindDataFolder(std::string* looked) {
    const char* given = getenv("BXDISC_DATA");
    if (given && *given) {
        *looked = given;
        return IsFolder(given) ? std::string(given) : std::string();
    }
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        *looked = "/proc/self/exe";
        return std::string();
    }
    std::string exe(self, (size_t)n);
    std::string bin = exe.substr(0, exe.rfind('/'));
    *looked = bin.substr(0, bin.rfind('/')) + "/share/bxdisc";
    return IsFolder(*looked) ? *looked : std::string();
}
