#include "errors.h"

#include "../windows_rules.h"

#include <cerrno>

namespace {

DWORD last_error = ERROR_SUCCESS;

DWORD win32_error_of(int error)
{
    switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    default: return ERROR_GEN_FAILURE;
    }
}

}  // namespace

DWORD GetLastError()
{
    return last_error;
}

void SetLastError(DWORD error)
{
    last_error = error;
}

BOOL fail_with(DWORD error)
{
    last_error = error;
    return FALSE;
}

BOOL fail_with_errno(int error)
{
    return fail_with(win32_error_of(error));
}

bool posix_path_of(LPCSTR windows_path, char (&out)[PATH_MAX])
{
    if (windows_path == nullptr)
        return fail_with(ERROR_INVALID_PARAMETER);
    if (!to_posix_path(windows_path, out, sizeof out))
        return fail_with(ERROR_FILENAME_EXCED_RANGE);
    return true;
}
