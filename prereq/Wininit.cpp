#include "prereq/Wininit.h"

#include <cstdlib>
#include <cstring>

#include "app/Locations.h"
#include "platform/FileSystem.h"
#include "platform/Sync.h"
#include "prereq/RenameText.h"

namespace {

bool WriteAt(HANDLE hFile, DWORD dwOffset, const char* p, DWORD n) {
    DWORD dwWritten = 0;
    return platform::SetFilePointer(hFile, (LONG)dwOffset, nullptr, FILE_BEGIN) == dwOffset &&
           platform::WriteFile(hFile, p, n, &dwWritten, nullptr) && dwWritten == n;
}

bool Truncate(HANDLE hFile, DWORD dwSize) {
    return platform::SetFilePointer(hFile, (LONG)dwSize, nullptr, FILE_BEGIN) == dwSize &&
           platform::SetEndOfFile(hFile);
}

// The merged text is never shorter than the old one. Growing the file to its
// new size first makes a full disk fail before any old byte is overwritten.
bool Rewrite(HANDLE hFile, const char* pOld, DWORD nOld, const CString& strMerged) {
    DWORD nNew = (DWORD)strMerged.GetLength();
    if (!Truncate(hFile, nNew)) {
        Truncate(hFile, nOld);
        return false;
    }
    if (WriteAt(hFile, 0, strMerged, nNew)) return true;
    WriteAt(hFile, 0, pOld, nOld);
    Truncate(hFile, nOld);
    return false;
}

}  // namespace

bool ScheduleRenames(const CString& strLines) {
    CString strPath = GetWindowsDirectoryPath() + "\\wininit.ini";
    // Not shared: nobody changes the file between our reading and writing.
    HANDLE hFile = platform::CreateFileA(strPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    bool bWritten = false;
    DWORD nOld = platform::GetFileSize(hFile, nullptr);
    char* pOld = nOld <= kMaxWininitSize ? (char*)malloc(nOld + 1) : nullptr;
    DWORD nRead = 0;
    if (pOld && platform::ReadFile(hFile, pOld, nOld, &nRead, nullptr) && nRead == nOld) {
        pOld[nOld] = 0;
        // A zero byte means this is no text we understand.
        if (strlen(pOld) == nOld)
            bWritten = Rewrite(hFile, pOld, nOld, MergeRenameLines(CString(pOld, (int)nOld), strLines));
    }
    free(pOld);
    platform::CloseHandle(hFile);
    return bWritten;
}
