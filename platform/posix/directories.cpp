#include "errors.h"
#include "syscalls.h"

#include "../windows_rules.h"

#include <cerrno>
#include <cstring>

DWORD GetCurrentDirectoryA(DWORD buffer_length, LPSTR buffer)
{
    char posix[PATH_MAX];
    if (posix_syscalls.getcwd(posix, sizeof posix) == nullptr)
        return fail_with_errno(errno);
    char windows[PATH_MAX];
    // A folder whose name holds a backslash has no Windows spelling.
    if (!to_windows_path(posix, windows, sizeof windows))
        return fail_with(ERROR_INVALID_NAME);
    DWORD length = static_cast<DWORD>(std::strlen(windows));
    if (buffer == nullptr || length >= buffer_length)
        return length + 1;
    std::memcpy(buffer, windows, length + 1);
    return length;
}

BOOL SetCurrentDirectoryA(LPCSTR path)
{
    char posix[PATH_MAX];
    if (!posix_path_of(path, posix))
        return FALSE;
    if (posix_syscalls.chdir(posix) != 0)
        return fail_with_errno(errno);
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES)
{
    char posix[PATH_MAX];
    if (!posix_path_of(path, posix))
        return FALSE;
    if (posix_syscalls.mkdir(posix, 0777) != 0)
        return fail_with_errno(errno);
    return TRUE;
}

BOOL DeleteFileA(LPCSTR path)
{
    char posix[PATH_MAX];
    if (!posix_path_of(path, posix))
        return FALSE;
    if (posix_syscalls.unlink(posix) != 0)
        return fail_with_errno(errno);
    return TRUE;
}
