// Version texts from disc files and the registry: reading never runs past
// the text, and comparing is a total order (reflexive, antisymmetric,
// transitive) whatever the bytes.
#include <string>

#include "prereq/VersionInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    std::string all((const char*)data, size);
    // Three texts, split at NULs.
    std::string part[3];
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        size_t end = all.find('\0', start);
        part[i] = all.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? all.size() : end + 1;
    }
    const char* a = part[0].c_str();
    const char* b = part[1].c_str();
    const char* c = part[2].c_str();

    ReadVersionNumbers(a);
    if (CompareVersions(a, a) != 0) __builtin_trap();
    int ab = CompareVersions(a, b), bc = CompareVersions(b, c), ac = CompareVersions(a, c);
    if (ab != -CompareVersions(b, a)) __builtin_trap();
    if (ab < -1 || ab > 1) __builtin_trap();
    if (ab <= 0 && bc <= 0 && ac > 0) __builtin_trap();
    if (ab >= 0 && bc >= 0 && ac < 0) __builtin_trap();
    return 0;
}
