// Files: attributes, directory search, temporary names, copies, and reading
// and writing through handles (closed with CloseHandle, platform/Sync.h).
#pragma once

#include "platform/Types.h"

namespace platform {

DWORD GetFileAttributesA(const char* pszFileName);
BOOL SetFileAttributesA(const char* pszFileName, DWORD dwFileAttributes);

HANDLE FindFirstFileA(const char* pszFileName, WIN32_FIND_DATAA* pFindData);
BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA* pFindData);
BOOL FindClose(HANDLE hFindFile);

UINT GetTempFileNameA(const char* pszPathName, const char* pszPrefix, UINT uUnique,
                      char* pszTempFileName);
BOOL CopyFileA(const char* pszExistingFileName, const char* pszNewFileName, BOOL bFailIfExists);
BOOL DeleteFileA(const char* pszFileName);

HANDLE CreateFileA(const char* pszFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   SECURITY_ATTRIBUTES* pSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
DWORD GetFileSize(HANDLE hFile, DWORD* pdwFileSizeHigh);
BOOL ReadFile(HANDLE hFile, void* pBuffer, DWORD nNumberOfBytesToRead, DWORD* pdwNumberOfBytesRead,
              void* pOverlapped);
BOOL WriteFile(HANDLE hFile, const void* pBuffer, DWORD nNumberOfBytesToWrite,
               DWORD* pdwNumberOfBytesWritten, void* pOverlapped);
DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG* plDistanceToMoveHigh,
                     DWORD dwMoveMethod);
BOOL SetEndOfFile(HANDLE hFile);

}  // namespace platform
