#include "app/Locations.h"

#include "platform/SystemFolders.h"
#include "platform/Process.h"

namespace {

const unsigned kPathBuffer = 260;

// A result that filled the whole buffer was cut: no path at all is safer.
CString FromBuffer(char* psz, unsigned nResult) {
    if (nResult == 0 || nResult >= kPathBuffer) return CString();
    psz[nResult] = 0;
    return CString(psz);
}

CString WithoutTrailingBackslash(CString str) {
    if (str.EndsWithChar('\\')) str = str.Left(str.GetLength() - 1);
    return str;
}

}  // namespace

CString DirectoryOfPath(const CString& strPath) {
    int nDrive = (strPath.GetLength() >= 2 && strPath[1] == ':') ? 2 : 0;
    CString strRest = strPath.Mid(nDrive);
    int nSeparator = strRest.ReverseFindOneOf("\\/");
    return strPath.Left(nDrive) + strRest.Left(nSeparator + 1);
}

CString GetLauncherDirectory() {
    char sz[kPathBuffer];
    return DirectoryOfPath(FromBuffer(sz, platform::GetModuleFileNameA(nullptr, sz, kPathBuffer)));
}

CString GetSystemDirectoryPath() {
    char sz[kPathBuffer];
    return WithoutTrailingBackslash(FromBuffer(sz, platform::GetSystemDirectoryA(sz, kPathBuffer)));
}

CString GetWindowsDirectoryPath() {
    char sz[kPathBuffer];
    return WithoutTrailingBackslash(FromBuffer(sz, platform::GetWindowsDirectoryA(sz, kPathBuffer)));
}
