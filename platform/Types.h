// Win32 types and constants the logic is written in. The cross build takes
// them from <windows.h>; the native build gets the same names with the same
// values, so the logic reads alike in both.
#pragma once

#ifdef _WIN32
#include <windows.h>
#define BX_API WINAPI
#else
#include <cstdint>
#define BX_API

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LRESULT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef void* HANDLE;
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HKEY__* HKEY;
typedef void (*FARPROC)();
typedef LONG LSTATUS;

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

#define MB_OK 0x0u
#define MB_OKCANCEL 0x1u
#define MB_ABORTRETRYIGNORE 0x2u
#define MB_YESNOCANCEL 0x3u
#define MB_YESNO 0x4u
#define MB_RETRYCANCEL 0x5u
#define MB_TYPEMASK 0xFu
#define MB_ICONHAND 0x10u
#define MB_ICONQUESTION 0x20u
#define MB_ICONEXCLAMATION 0x30u
#define MB_ICONASTERISK 0x40u
#define MB_ICONMASK 0xF0u

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

#define SW_SHOWNORMAL 1
#define SW_SHOWMAXIMIZED 3
#define SWP_NOSIZE 0x1u
#define SWP_NOMOVE 0x2u
#define SWP_NOZORDER 0x4u
#define HWND_TOP ((HWND)0)
#define GW_HWNDNEXT 2
#define GW_CHILD 5

#define MUTEX_ALL_ACCESS 0x1F0001u

#define HKEY_CLASSES_ROOT ((HKEY)(uintptr_t)0x80000000u)
#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)0x80000002u)
#define KEY_READ 0x20019u
#define KEY_WRITE 0x20006u
#define REG_SZ 1u
#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_INVALID_DATA 13
#define ERROR_MORE_DATA 234

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0u
#define NORMAL_PRIORITY_CLASS 0x20u
#define EWX_REBOOT 2u

#define LOAD_WITH_ALTERED_SEARCH_PATH 8u
#endif
