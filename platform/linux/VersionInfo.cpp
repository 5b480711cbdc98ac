// The kit reads version texts but no file's version resource: these come
// along only because the version rules share their object file.
#include "platform/VersionInfo.h"

namespace platform {

DWORD GetFileVersionInfoSizeA(const char*, DWORD* pdwHandle) {
    if (pdwHandle) *pdwHandle = 0;
    return 0;
}

BOOL GetFileVersionInfoA(const char*, DWORD, DWORD, void*) { return FALSE; }

BOOL VerQueryValueA(const void*, const char*, void**, UINT*) { return FALSE; }

}  // namespace platform
