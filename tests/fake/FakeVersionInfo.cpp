#include "fake/FakeVersionInfo.h"

#include <cstdio>
#include <cstring>

#include "fake/Fake.h"
#include "fake/FakeWindows.h"
#include "platform/Session.h"
#include "platform/VersionInfo.h"

namespace fake {

namespace {

VersionInfoState g_info;
Resetter g_reset([] { g_info = VersionInfoState(); });

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

// A filled block holds a pointer to the file's resource.
const size_t kBlockSize = 64;

}  // namespace

VersionResource& VersionResource::Translations(const std::vector<std::pair<WORD, WORD>>& codes) {
    std::string bytes;
    for (auto& code : codes) {
        WORD words[2] = {code.first, code.second};
        bytes.append((const char*)words, sizeof words);
    }
    blocks["\\varfileinfo\\translation"] = bytes;
    return *this;
}

VersionResource& VersionResource::String(DWORD translation, const std::string& name,
                                         const std::string& value) {
    char sz[64];
    snprintf(sz, sizeof sz, "\\stringfileinfo\\%08x\\", (unsigned)translation);
    blocks[Lower(sz + name)] = value + '\0';
    return *this;
}

VersionResource& VersionInfoState::File(const std::string& path) { return files[Lower(path)]; }

VersionInfoState& VersionInfo() { return g_info; }

}  // namespace fake

namespace platform {

using fake::g_info;

DWORD GetFileVersionInfoSizeA(const char* pszFile, DWORD* pdwHandle) {
    *pdwHandle = 0;
    return g_info.files.count(fake::Lower(pszFile)) ? (DWORD)fake::kBlockSize : 0;
}

BOOL GetFileVersionInfoA(const char* pszFile, DWORD, DWORD dwLen, void* pData) {
    auto it = g_info.files.find(fake::Lower(pszFile));
    if (g_info.infoFails || it == g_info.files.end() || dwLen < fake::kBlockSize) return FALSE;
    memset(pData, 0, dwLen);
    fake::VersionResource* p = &it->second;
    memcpy(pData, &p, sizeof p);
    return TRUE;
}

BOOL VerQueryValueA(const void* pBlock, const char* pszSubBlock, void** ppBuffer, UINT* puLen) {
    g_info.queries.push_back(pszSubBlock);
    fake::VersionResource* p;
    memcpy(&p, pBlock, sizeof p);
    auto it = p->blocks.find(fake::Lower(pszSubBlock));
    if (it == p->blocks.end()) return FALSE;
    *ppBuffer = (void*)it->second.data();
    *puLen = (UINT)it->second.size();
    return TRUE;
}

BOOL GetVersionExA(OSVERSIONINFOA* pVersionInfo) {
    DWORD size = pVersionInfo->dwOSVersionInfoSize;
    g_info.recordSizes.push_back(size);
    bool extended = size == sizeof(OSVERSIONINFOEXA);
    if (size != sizeof(OSVERSIONINFOA) && !extended) return FALSE;
    if (extended ? g_info.extendedFails : g_info.basicFails) return FALSE;
    pVersionInfo->dwPlatformId = g_info.platformId;
    pVersionInfo->dwMajorVersion = g_info.major;
    pVersionInfo->dwMinorVersion = g_info.minor;
    return TRUE;
}

BOOL ExitWindowsEx(UINT uFlags, DWORD dwReason) {
    g_info.exitRequests.push_back({uFlags, dwReason});
    g_info.boxesAtExitRequest = fake::Windows().boxes.size();
    return TRUE;
}

}  // namespace platform
