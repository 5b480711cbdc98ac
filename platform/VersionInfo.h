// Version resources of files.
#pragma once

#include "platform/Types.h"

namespace platform {

DWORD GetFileVersionInfoSizeA(const char* pszFile, DWORD* pdwHandle);
BOOL GetFileVersionInfoA(const char* pszFile, DWORD dwHandle, DWORD dwLen, void* pData);
BOOL VerQueryValueA(const void* pBlock, const char* pszSubBlock, void** ppBuffer, UINT* puLen);

}  // namespace platform
