#include "fake/FakeFileSystem.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "fake/Fake.h"
#include "fake/FakeSystem.h"
#include "platform/FileSystem.h"

namespace fake {

namespace {

FileSystemState g_files;

struct OpenFile {
    std::string path;
    size_t position = 0;
};
std::map<uintptr_t, OpenFile> g_open;
std::map<uintptr_t, std::vector<WIN32_FIND_DATAA>> g_searches;
uintptr_t g_nextHandle = 0x5000;

Resetter g_reset([] {
    g_files = FileSystemState();
    g_open.clear();
    g_searches.clear();
});

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

std::string Parent(const std::string& path) {
    size_t n = path.rfind('\\');
    return n == std::string::npos ? std::string() : path.substr(0, n);
}

bool SameDirectory(const std::string& a, const std::string& b) {
    // "D:" and "D:\" are both the root.
    auto strip = [](std::string s) { return !s.empty() && s.back() == '\\' ? s.substr(0, s.size() - 1) : s; };
    return Lower(strip(a)) == Lower(strip(b));
}

bool IsDirectory(const std::string& path) {
    FileEntry* e = g_files.Find(path);
    return (e && e->directory) || (path.size() == 2 && path[1] == ':');
}

bool CanGrow(size_t from, size_t to) {
    return to <= from || g_files.spaceLeft < 0 || (long long)(to - from) <= g_files.spaceLeft;
}

void Grow(size_t from, size_t to) {
    if (to > from && g_files.spaceLeft >= 0) g_files.spaceLeft -= (long long)(to - from);
}

HANDLE NewHandle() {
    ++System().openHandles;
    return (HANDLE)g_nextHandle++;
}

WIN32_FIND_DATAA FindData(const std::string& name, bool directory) {
    WIN32_FIND_DATAA fd = {};
    fd.dwFileAttributes = directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    snprintf(fd.cFileName, sizeof fd.cFileName, "%s", name.c_str());
    return fd;
}

}  // namespace

FileSystemState::FileSystemState() {
    AddDirectory("C:\\WINDOWS");
    AddDirectory("C:\\WINDOWS\\SYSTEM");
}

FileEntry& FileSystemState::AddFile(const std::string& path, const std::string& content) {
    FileEntry* e = Find(path);
    if (!e) {
        entries.push_back({path, false, ""});
        e = &entries.back();
    }
    e->content = content;
    return *e;
}

FileEntry& FileSystemState::AddDirectory(const std::string& path) {
    entries.push_back({path, true, ""});
    return entries.back();
}

FileEntry* FileSystemState::Find(const std::string& path) {
    for (FileEntry& e : entries)
        if (Lower(e.path) == Lower(path)) return &e;
    return nullptr;
}

std::string FileSystemState::Content(const std::string& path) {
    FileEntry* e = Find(path);
    return e && !e->directory ? e->content : "<missing>";
}

std::vector<std::string> FileSystemState::FilesIn(const std::string& directory) {
    std::vector<std::string> found;
    for (const FileEntry& e : entries)
        if (!e.directory && SameDirectory(Parent(e.path), directory)) found.push_back(e.path);
    return found;
}

FileSystemState& FileSystem() { return g_files; }

}  // namespace fake

namespace platform {

using namespace fake;

DWORD GetFileAttributesA(const char* pszFileName) {
    FileEntry* e = g_files.Find(pszFileName);
    if (!e) return INVALID_FILE_ATTRIBUTES;
    if (e->directory) return FILE_ATTRIBUTE_DIRECTORY;
    return e->readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

BOOL SetFileAttributesA(const char* pszFileName, DWORD dwFileAttributes) {
    FileEntry* e = g_files.Find(pszFileName);
    if (!e) return FALSE;
    e->readOnly = (dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    return TRUE;
}

HANDLE FindFirstFileA(const char* pszFileName, WIN32_FIND_DATAA* pFindData) {
    std::string pattern = pszFileName;
    const std::string all = "\\*.*";
    if (pattern.size() < all.size() || pattern.compare(pattern.size() - all.size(), all.size(), all) != 0)
        return INVALID_HANDLE_VALUE;  // the only pattern the launcher searches
    std::string directory = pattern.substr(0, pattern.size() - all.size());
    if (!IsDirectory(directory)) return INVALID_HANDLE_VALUE;
    std::vector<WIN32_FIND_DATAA> found;
    if (directory.size() > 2) {  // the root has no dot entries
        found.push_back(FindData(".", true));
        found.push_back(FindData("..", true));
    }
    for (const FileEntry& e : g_files.entries)
        if (SameDirectory(Parent(e.path), directory))
            found.push_back(FindData(e.path.substr(e.path.rfind('\\') + 1), e.directory));
    if (found.empty()) return INVALID_HANDLE_VALUE;
    std::reverse(found.begin(), found.end());  // popped from the back
    *pFindData = found.back();
    found.pop_back();
    HANDLE h = NewHandle();
    g_searches[(uintptr_t)h] = found;
    return h;
}

BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA* pFindData) {
    auto it = g_searches.find((uintptr_t)hFindFile);
    if (it == g_searches.end() || it->second.empty()) return FALSE;
    *pFindData = it->second.back();
    it->second.pop_back();
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile) {
    if (!g_searches.erase((uintptr_t)hFindFile)) return FALSE;
    --System().openHandles;
    return TRUE;
}

UINT GetTempFileNameA(const char* pszPathName, const char* pszPrefix, UINT uUnique,
                      char* pszTempFileName) {
    if (g_files.tempNamesFail || strlen(pszPathName) > MAX_PATH - 14 || !IsDirectory(pszPathName))
        return 0;
    char szName[MAX_PATH];
    unsigned n = g_files.nextTempNumber++;
    snprintf(szName, sizeof szName, "%s\\%.3s%X.TMP", pszPathName, pszPrefix, n);
    g_files.AddFile(szName);
    strcpy(pszTempFileName, szName);
    return n;
}

BOOL CopyFileA(const char* pszExistingFileName, const char* pszNewFileName, BOOL bFailIfExists) {
    FileEntry* source = g_files.Find(pszExistingFileName);
    if (!source || source->directory) return FALSE;
    for (const std::string& failing : g_files.failingCopies)
        if (Lower(failing) == Lower(pszExistingFileName)) return FALSE;
    FileEntry* target = g_files.Find(pszNewFileName);
    if ((target && (target->directory || bFailIfExists)) || !IsDirectory(Parent(pszNewFileName)))
        return FALSE;
    size_t from = target ? target->content.size() : 0;
    if (!CanGrow(from, source->content.size())) return FALSE;
    Grow(from, source->content.size());
    std::string content = source->content;  // AddFile may move the entries
    bool readOnly = source->readOnly;      // Win32 copies the attribute
    g_files.AddFile(pszNewFileName, content).readOnly = readOnly;
    return TRUE;
}

BOOL DeleteFileA(const char* pszFileName) {
    for (auto it = g_files.entries.begin(); it != g_files.entries.end(); ++it) {
        if (!it->directory && Lower(it->path) == Lower(pszFileName)) {
            if (it->readOnly) return FALSE;  // as Win32 refuses
            g_files.entries.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

HANDLE CreateFileA(const char* pszFileName, DWORD, DWORD dwShareMode, SECURITY_ATTRIBUTES*,
                   DWORD dwCreationDisposition, DWORD, HANDLE) {
    g_files.shareModes.push_back(dwShareMode);
    for (const std::string& locked : g_files.locked)
        if (Lower(locked) == Lower(pszFileName)) return INVALID_HANDLE_VALUE;
    FileEntry* e = g_files.Find(pszFileName);
    if ((e && e->directory) || !IsDirectory(Parent(pszFileName))) return INVALID_HANDLE_VALUE;
    if (!e) {
        if (dwCreationDisposition != OPEN_ALWAYS) return INVALID_HANDLE_VALUE;
        g_files.AddFile(pszFileName);
    }
    HANDLE h = NewHandle();
    g_open[(uintptr_t)h] = {pszFileName, 0};
    return h;
}

DWORD GetFileSize(HANDLE hFile, DWORD* pdwFileSizeHigh) {
    auto it = g_open.find((uintptr_t)hFile);
    if (it == g_open.end()) return INVALID_FILE_SIZE;
    if (pdwFileSizeHigh) *pdwFileSizeHigh = 0;
    return (DWORD)g_files.Find(it->second.path)->content.size();
}

BOOL ReadFile(HANDLE hFile, void* pBuffer, DWORD nNumberOfBytesToRead, DWORD* pdwNumberOfBytesRead,
              void*) {
    auto it = g_open.find((uintptr_t)hFile);
    if (it == g_open.end()) return FALSE;
    const std::string& content = g_files.Find(it->second.path)->content;
    size_t pos = std::min(it->second.position, content.size());
    size_t n = std::min((size_t)nNumberOfBytesToRead, content.size() - pos);
    memcpy(pBuffer, content.data() + pos, n);
    it->second.position = pos + n;
    *pdwNumberOfBytesRead = (DWORD)n;
    return TRUE;
}

BOOL WriteFile(HANDLE hFile, const void* pBuffer, DWORD nNumberOfBytesToWrite,
               DWORD* pdwNumberOfBytesWritten, void*) {
    *pdwNumberOfBytesWritten = 0;
    auto it = g_open.find((uintptr_t)hFile);
    if (it == g_open.end() || g_files.writesFail) return FALSE;
    std::string& content = g_files.Find(it->second.path)->content;
    size_t end = it->second.position + nNumberOfBytesToWrite;
    if (!CanGrow(content.size(), end)) return FALSE;
    Grow(content.size(), end);
    if (content.size() < end) content.resize(end);
    content.replace(it->second.position, nNumberOfBytesToWrite, (const char*)pBuffer,
                    nNumberOfBytesToWrite);
    it->second.position = end;
    *pdwNumberOfBytesWritten = nNumberOfBytesToWrite;
    return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG*, DWORD dwMoveMethod) {
    auto it = g_open.find((uintptr_t)hFile);
    if (it == g_open.end() || dwMoveMethod != FILE_BEGIN || lDistanceToMove < 0)
        return INVALID_SET_FILE_POINTER;
    it->second.position = (size_t)lDistanceToMove;
    return (DWORD)lDistanceToMove;
}

BOOL SetEndOfFile(HANDLE hFile) {
    auto it = g_open.find((uintptr_t)hFile);
    if (it == g_open.end()) return FALSE;
    std::string& content = g_files.Find(it->second.path)->content;
    if (!CanGrow(content.size(), it->second.position)) return FALSE;
    Grow(content.size(), it->second.position);
    content.resize(it->second.position);
    return TRUE;
}

}  // namespace platform
