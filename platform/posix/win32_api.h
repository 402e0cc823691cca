// The few Win32 operations the program uses, provided over POSIX.
// Only what the program and its tests need is declared here.
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using HANDLE = void*;
using HWND = void*;
using HINSTANCE = void*;
using LPSTR = char*;
using LPCSTR = const char*;

#define WINAPI
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

#define MB_OK 0x00000000u
#define IDOK 1

#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400u

#define ERROR_SUCCESS 0u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_NO_MORE_FILES 18u
#define ERROR_SHARING_VIOLATION 32u
#define ERROR_HANDLE_DISK_FULL 39u
#define ERROR_FILE_EXISTS 80u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_DISK_FULL 112u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_INVALID_NAME 123u
#define ERROR_DIR_NOT_EMPTY 145u
#define ERROR_ALREADY_EXISTS 183u
#define ERROR_FILENAME_EXCED_RANGE 206u
#define ERROR_GEN_FAILURE 31u

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    char cFileName[MAX_PATH];
};

DWORD GetLastError();
void SetLastError(DWORD error);

DWORD GetCurrentDirectoryA(DWORD buffer_length, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR path);
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES attributes);
BOOL DeleteFileA(LPCSTR path);
BOOL CopyFileA(LPCSTR source, LPCSTR target, BOOL fail_if_exists);

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE search);

LPSTR GetCommandLineA();
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// Provided by the program; our process entry calls it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_tail, int show);
