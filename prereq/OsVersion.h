// The class of the running system. Callers compare it with single values.
#pragma once

#include "platform/Types.h"

enum OsVersion {
    osWinNT4 = 0,
    osWin95 = 1,
    osWin98 = 2,
    osWinMe = 3,
    osWinNT5 = 4,
    osOther = 5,
};

OsVersion ClassifyOsVersion(DWORD dwPlatformId, DWORD dwMajor, DWORD dwMinor);
OsVersion GetOsVersion();
