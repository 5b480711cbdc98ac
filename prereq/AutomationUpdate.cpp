#include "prereq/AutomationUpdate.h"

#include "app/Locations.h"
#include "platform/FileSystem.h"
#include "prereq/OsVersion.h"
#include "prereq/RenameText.h"
#include "prereq/Restart.h"
#include "prereq/VersionInfo.h"
#include "prereq/Wininit.h"

namespace {

bool Exists(const char* pszPath) {
    return platform::GetFileAttributesA(pszPath) != INVALID_FILE_ATTRIBUTES;
}

// Copies the file under a fresh "_BX" name in the system directory; the
// staged path, or "" when no complete copy could be made.
CString StageCopy(const CString& strSource) {
    char szStaged[MAX_PATH];
    if (!platform::GetTempFileNameA(GetSystemDirectoryPath(), "_BX", 0, szStaged)) return CString();
    if (!platform::CopyFileA(strSource, szStaged, FALSE)) {
        platform::DeleteFileA(szStaged);
        return CString();
    }
    // A copy from a CD is read-only: as a system file it would block later
    // updates, and it could not be removed should nothing be scheduled.
    platform::SetFileAttributesA(szStaged, FILE_ATTRIBUTE_NORMAL);
    return CString(szStaged);
}

// Removes the staged copies of a list of paths, each ending with a line feed.
void RemoveStaged(const CString& strStaged) {
    for (int nStart = 0, nEnd; (nEnd = strStaged.Find('\n', nStart)) >= 0; nStart = nEnd + 1)
        platform::DeleteFileA(strStaged.Mid(nStart, nEnd - nStart));
}

}  // namespace

int NeedsAutomationUpdate() {
    OsVersion os = GetOsVersion();
    if (os != osWin95 && os != osWin98) return 0;
    CString strLibrary = GetSystemDirectoryPath() + "\\oleaut32.dll";
    if (!Exists(strLibrary)) return 0;
    CString strVersion = GetFileVersionString(strLibrary, "ProductVersion");
    if (strVersion.IsEmpty()) return 0;
    return CompareVersions(strVersion, "3.50.0.0") == 1 ? 1 : 0;
}

CString GetAutomationUpdateDirectory(const CParamFile& params) {
    CString strDirectory = params.GetValue(OleAut32_Win9X);
    if (strDirectory.EndsWithChar('\\')) strDirectory = strDirectory.Left(strDirectory.GetLength() - 1);
    if (strDirectory.IsEmpty()) return CString();
    // Tested where the files are then searched for, whatever the current directory.
    DWORD dwAttributes = platform::GetFileAttributesA(GetLauncherDirectory() + strDirectory);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES || !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return CString();
    return strDirectory;
}

int UpdateAutomationLibrary(const CParamFile& params) {
    CString strDirectory = GetAutomationUpdateDirectory(params);
    if (strDirectory.IsEmpty()) return kStepGoOn;
    if (!NeedsAutomationUpdate()) return kStepGoOn;

    CString strSource = GetLauncherDirectory() + strDirectory + "\\";
    CString strSystem = GetSystemDirectoryPath() + "\\";
    CString strLines, strStaged;
    WIN32_FIND_DATAA fd;
    HANDLE hFind = platform::FindFirstFileA(strSource + "*.*", &fd);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            // Dot names and subfolders are nothing CopyFile could stage.
            if (fd.cFileName[0] == 0 || fd.cFileName[0] == '.' ||
                (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                continue;
            CString strCopy = StageCopy(strSource + fd.cFileName);
            if (strCopy.IsEmpty()) continue;
            AppendRenamePair(strLines, strSystem + fd.cFileName, strCopy);
            strStaged += strCopy + "\n";
        } while (platform::FindNextFileA(hFind, &fd));
        platform::FindClose(hFind);
    }

    if (!ScheduleRenames(strLines)) {
        // Nothing would replace the files at a restart: do not ask for one.
        RemoveStaged(strStaged);
        return kStepGoOn;
    }
    return PromptForRestart();
}
