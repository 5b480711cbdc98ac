#include "prereq/OsVersion.h"

#include "platform/Session.h"

OsVersion ClassifyOsVersion(DWORD dwPlatformId, DWORD dwMajor, DWORD dwMinor) {
    if (dwPlatformId == VER_PLATFORM_WIN32s || dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        if (dwMajor != 4) return osOther;
        switch (dwMinor) {
        case 0: return osWin95;
        case 10: return osWin98;
        case 90: return osWinMe;
        default: return osOther;
        }
    }
    if (dwPlatformId == VER_PLATFORM_WIN32_NT) return dwMajor <= 4 ? osWinNT4 : osWinNT5;
    return osOther;
}

OsVersion GetOsVersion() {
    OSVERSIONINFOEXA info = {};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    OSVERSIONINFOA* pInfo = (OSVERSIONINFOA*)&info;
    // Systems before NT 4 SP6 know only the basic record; a record left
    // zeroed by a second failure classifies as osOther.
    if (!platform::GetVersionExA(pInfo)) {
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        platform::GetVersionExA(pInfo);
    }
    return ClassifyOsVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}
