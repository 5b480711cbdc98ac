// Merging our rename lines into a wininit.ini found on the user's system:
// whatever the file holds, every byte of it is kept, in order, and our
// lines go in once, whole.
#include <string>

#include "fake/Fake.h"
#include "prereq/RenameText.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    fake::ResetAll();
    std::string existing((const char*)data, size);
    existing = existing.substr(0, existing.find('\0'));
    CString lines;
    AppendRenamePair(lines, "C:\\WINDOWS\\SYSTEM\\OLEAUT32.DLL", "C:\\WINDOWS\\SYSTEM\\_BX1A.TMP");
    std::string ours = lines.GetString();

    std::string merged = MergeRenameLines(existing.c_str(), lines).GetString();
    size_t at = merged.find(ours);
    if (at == std::string::npos) __builtin_trap();
    std::string rest = merged.substr(0, at) + merged.substr(at + ours.size());
    // What is left is the file itself, with at most a line end and a new
    // section header added after it.
    if (rest.compare(0, existing.size(), existing) != 0) __builtin_trap();
    std::string added = rest.substr(existing.size());
    if (added != "" && added != "\r\n" && added != "[rename]\r\n" && added != "\r\n[rename]\r\n")
        __builtin_trap();
    return 0;
}
