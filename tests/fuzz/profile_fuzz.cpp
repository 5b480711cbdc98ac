// The profile reader over any text: no read outside the text, the value
// always fits its buffer, and a text without the section gives the default.
#include <cstring>
#include <string>

#include "params/ProfileText.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    if (size < 1) return 0;
    static const char* const kKeys[] = {"SetupExe", "setupexe", "A", ""};
    static const DWORD kSizes[] = {260, 1, 2, 7};
    const char* key = kKeys[data[0] & 3];
    DWORD nSize = kSizes[(data[0] >> 2) & 3];
    // A copy of exactly the input's size, so that the sanitizer sees any overrun.
    std::string text((const char*)data + 1, size - 1);
    char* exact = new char[text.size() ? text.size() : 1];
    memcpy(exact, text.data(), text.size());

    char out[260];
    memset(out, 'X', sizeof out);
    DWORD n = ReadProfileString(exact, text.size(), "BXPARAM", key, "dflt", out, nSize);
    if (n >= nSize || out[n] != 0 || strlen(out) != n) __builtin_trap();

    std::string upper = text;
    for (char& c : upper) c = (char)toupper((unsigned char)c);
    if (upper.find("BXPARAM") == std::string::npos && std::string(out) != std::string("dflt", n))
        __builtin_trap();
    delete[] exact;
    return 0;
}
