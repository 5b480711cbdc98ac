#include <windows.h>

#include "platform/VersionInfo.h"

namespace platform {

DWORD GetFileVersionInfoSizeA(const char* pszFile, DWORD* pdwHandle) {
    return ::GetFileVersionInfoSizeA(pszFile, pdwHandle);
}

BOOL GetFileVersionInfoA(const char* pszFile, DWORD dwHandle, DWORD dwLen, void* pData) {
    return ::GetFileVersionInfoA(pszFile, dwHandle, dwLen, pData);
}

BOOL VerQueryValueA(const void* pBlock, const char* pszSubBlock, void** ppBuffer, UINT* puLen) {
    return ::VerQueryValueA(pBlock, pszSubBlock, ppBuffer, puLen);
}

}  // namespace platform
