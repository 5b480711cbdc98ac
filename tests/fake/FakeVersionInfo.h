// Version resources of files, and the running system's version and restart.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/Types.h"

namespace fake {

// A version resource: the bytes VerQueryValueA gives for each sub-block,
// its reported length being the size of those bytes.
struct VersionResource {
    std::map<std::string, std::string> blocks;  // sub-block names in lower case

    VersionResource& Translations(const std::vector<std::pair<WORD, WORD>>& codes);
    // A string under a translation code, its zero counted in the length.
    VersionResource& String(DWORD translation, const std::string& name, const std::string& value);
};

struct VersionInfoState {
    std::map<std::string, VersionResource> files;  // by lower-case path
    bool infoFails = false;                        // GetFileVersionInfoA fails
    std::vector<std::string> queries;              // every sub-block asked for

    VersionResource& File(const std::string& path);

    // GetVersionExA
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    DWORD major = 5, minor = 1;
    bool extendedFails = false;  // a system that knows only the basic record
    bool basicFails = false;
    std::vector<DWORD> recordSizes;  // the size field of each call

    std::vector<std::pair<UINT, DWORD>> exitRequests;  // ExitWindowsEx
    size_t boxesAtExitRequest = 0;                      // message boxes shown by then

    void Windows(DWORD id, DWORD maj, DWORD min) { platformId = id, major = maj, minor = min; }
};

VersionInfoState& VersionInfo();

}  // namespace fake
