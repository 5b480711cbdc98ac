// The kit's own reading of a disc: Autorun.inf's sections and open= line,
// update-folder names, the code page conversion and the decoding of bitmaps
// the loader accepts, setting the art's keys in Autorun.inf, and the
// programs' resources and signatures and the icons that the check reads. No read
// outside the input, the conversions agree, and a key set is the key read.
#include <cstring>
#include <string>
#include <vector>

#include "kit/disc/DiscBitmap.h"
#include "kit/disc/DiscText.h"
#include "kit/disc/WindowsFile.h"
#include "kit/art/InfEdit.h"
#include "params/ProfileText.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    // A copy of exactly the input's size, so that the sanitizer sees any overrun.
    char* exact = new char[size ? size : 1];
    memcpy(exact, data, size);
    HasProfileSection(exact, size, "BXPARAM");
    // A line for a key the launcher's reader does not find would point an author at nothing.
    char szValue[8];
    // No value holds a line feed, so the default tells a missing key.
    ReadProfileString(exact, size, "BXPARAM", "SetupExe", "\n", szValue, sizeof szValue);
    bool bRead = szValue[0] != '\n';
    if (ProfileLine(exact, size, "BXPARAM", "SetupExe") > 0 && !bRead) __builtin_trap();
    if (ProfileLine(exact, size, "BXPARAM", "SetupExe") == 0 && bRead) __builtin_trap();
    delete[] exact;

    std::string text((const char*)data, size);
    std::string line = text.c_str();
    AutorunOpen open = ReadAutorunOpen(line.c_str());
    if (open.program.size() > line.size()) __builtin_trap();
    NamesLauncher(open.program, "setup.exe");
    IsShortName(line);

    // Every byte of the code page has its character, and back.
    std::string back;
    if (!Utf8ToCp1252(Cp1252ToUtf8(text), &back) || back != text) __builtin_trap();
    if (Utf8ToCp1252(text, &back) && Cp1252ToUtf8(back) != text) __builtin_trap();

    std::string edited;
    if (SetProfileKeys(text, "BXPARAM", {{"AutorunButtons", "b.bmp"}}, &edited) && text.find('\0') == std::string::npos) {
        char sz[16];
        ReadProfileString(edited.data(), edited.size(), "BXPARAM", "AutorunButtons", "", sz, sizeof sz);
        if (strcmp(sz, "b.bmp") != 0) __builtin_trap();
    }

    std::vector<unsigned char> bytes(data, data + size);
    std::vector<std::string> resources;
    for (unsigned type : {kResourceManifest, kResourceGroupIcon})
        if (ReadPeResources(bytes, type, &resources) && !IsPeFile(bytes)) __builtin_trap();
    PeHasSignature(bytes);
    std::vector<int> sizes;
    if (ReadIconSizes(bytes, &sizes) && sizes.size() * 16 + 6 > size) __builtin_trap();

    // The loader's block is as large as the header says: keep the runs fast.
    DWORD bfSize = size >= 6 ? (DWORD)data[2] | (DWORD)data[3] << 8 | (DWORD)data[4] << 16 | (DWORD)data[5] << 24 : 0;
    if (bfSize > (1u << 20)) return 0;
    DiscBitmap bitmap;
    std::vector<unsigned char> file(data, data + size);
    if (ReadDiscBitmap(file, &bitmap).loaded && (size_t)bitmap.width * bitmap.height <= (1u << 20)) {
        if (DecodePixels(bitmap).size() != (size_t)bitmap.width * bitmap.height) __builtin_trap();
    }
    return 0;
}
