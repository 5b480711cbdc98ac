#include "fake/FakeLibrary.h"

#include <strings.h>

#include <cstring>

#include "fake/Fake.h"
#include "fake/FakeProcess.h"
#include "platform/Library.h"

namespace fake {

namespace {
LibraryState g_library;
Resetter g_reset([] { g_library = LibraryState(); });

HMODULE HandleOf(LibraryFile& file) { return (HMODULE)&file; }

LibraryFile* FileByHandle(HMODULE h) {
    for (auto& entry : g_library.files)
        if (HandleOf(entry.second) == h) return &entry.second;
    return nullptr;
}
}  // namespace

LibraryState& Library() { return g_library; }

bool IsLibraryLoaded(const std::string& name) {
    auto it = g_library.files.find(name);
    return it != g_library.files.end() && g_library.loaded.count(HandleOf(it->second));
}

}  // namespace fake

namespace platform {

DWORD SearchPathA(const char* pszPath, const char* pszFileName, const char* pszExtension,
                  DWORD nBufferLength, char* pszBuffer, char** ppszFilePart) {
    fake::g_library.searches.push_back(pszFileName);
    for (auto& entry : fake::g_library.files) {
        if (strcasecmp(entry.first.c_str(), pszFileName) != 0) continue;
        const std::string& path = entry.second.path;
        if (path.size() >= nBufferLength) return (DWORD)path.size() + 1;  // the size needed
        memcpy(pszBuffer, path.c_str(), path.size() + 1);
        if (ppszFilePart) *ppszFilePart = pszBuffer + path.rfind('\\') + 1;
        return (DWORD)path.size();
    }
    return 0;
}

HMODULE LoadLibraryExA(const char* pszFileName, HANDLE, DWORD dwFlags) {
    fake::g_library.loadFlags.push_back(dwFlags);
    for (auto& entry : fake::g_library.files) {
        if (entry.second.path != pszFileName || !entry.second.loadable) continue;
        HMODULE h = fake::HandleOf(entry.second);
        ++fake::g_library.loaded[h];
        fake::Process().modules[h] = entry.second.path;
        fake::g_library.events.push_back("load " + entry.first);
        return h;
    }
    return nullptr;
}

FARPROC GetProcAddress(HMODULE hModule, const char* pszProcName) {
    fake::g_library.lookups.push_back(pszProcName);
    fake::LibraryFile* file = fake::FileByHandle(hModule);
    if (!file || !fake::g_library.loaded.count(hModule)) return nullptr;
    auto it = file->exports.find(pszProcName);
    return it == file->exports.end() ? nullptr : it->second;
}

BOOL FreeLibrary(HMODULE hModule) {
    auto it = fake::g_library.loaded.find(hModule);
    if (it == fake::g_library.loaded.end()) {
        ++fake::g_library.badFrees;
        return FALSE;
    }
    for (auto& entry : fake::g_library.files)
        if (fake::HandleOf(entry.second) == hModule) fake::g_library.events.push_back("free " + entry.first);
    if (--it->second == 0) {
        fake::g_library.loaded.erase(it);
        fake::Process().modules.erase(hModule);
    }
    return TRUE;
}

}  // namespace platform
