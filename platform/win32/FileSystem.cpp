#include <windows.h>

#include "platform/FileSystem.h"

namespace platform {

DWORD GetFileAttributesA(const char* pszFileName) { return ::GetFileAttributesA(pszFileName); }

HANDLE FindFirstFileA(const char* pszFileName, WIN32_FIND_DATAA* pFindData) {
    return ::FindFirstFileA(pszFileName, pFindData);
}

BOOL SetFileAttributesA(const char* pszFileName, DWORD dwFileAttributes) {
    return ::SetFileAttributesA(pszFileName, dwFileAttributes);
}

BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA* pFindData) {
    return ::FindNextFileA(hFindFile, pFindData);
}

BOOL FindClose(HANDLE hFindFile) { return ::FindClose(hFindFile); }

UINT GetTempFileNameA(const char* pszPathName, const char* pszPrefix, UINT uUnique,
                      char* pszTempFileName) {
    return ::GetTempFileNameA(pszPathName, pszPrefix, uUnique, pszTempFileName);
}

BOOL CopyFileA(const char* pszExistingFileName, const char* pszNewFileName, BOOL bFailIfExists) {
    return ::CopyFileA(pszExistingFileName, pszNewFileName, bFailIfExists);
}

BOOL DeleteFileA(const char* pszFileName) { return ::DeleteFileA(pszFileName); }

HANDLE CreateFileA(const char* pszFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   SECURITY_ATTRIBUTES* pSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    return ::CreateFileA(pszFileName, dwDesiredAccess, dwShareMode, pSecurityAttributes,
                         dwCreationDisposition, dwFlagsAndAttributes, hTemplateFile);
}

DWORD GetFileSize(HANDLE hFile, DWORD* pdwFileSizeHigh) {
    return ::GetFileSize(hFile, pdwFileSizeHigh);
}

BOOL ReadFile(HANDLE hFile, void* pBuffer, DWORD nNumberOfBytesToRead, DWORD* pdwNumberOfBytesRead,
              void* pOverlapped) {
    return ::ReadFile(hFile, pBuffer, nNumberOfBytesToRead, pdwNumberOfBytesRead,
                      (OVERLAPPED*)pOverlapped);
}

BOOL WriteFile(HANDLE hFile, const void* pBuffer, DWORD nNumberOfBytesToWrite,
               DWORD* pdwNumberOfBytesWritten, void* pOverlapped) {
    return ::WriteFile(hFile, pBuffer, nNumberOfBytesToWrite, pdwNumberOfBytesWritten,
                       (OVERLAPPED*)pOverlapped);
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG* plDistanceToMoveHigh,
                     DWORD dwMoveMethod) {
    return ::SetFilePointer(hFile, lDistanceToMove, plDistanceToMoveHigh, dwMoveMethod);
}

BOOL SetEndOfFile(HANDLE hFile) { return ::SetEndOfFile(hFile); }

}  // namespace platform
