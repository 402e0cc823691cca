#include "errors.h"
#include "syscalls.h"

#include "../windows_rules.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>

namespace {

struct Search {
    DIR* dir;
    char pattern[MAX_PATH];
};

DWORD attributes_of(DIR* dir, const dirent* entry)
{
    unsigned char type = entry->d_type;
    DWORD attributes = 0;
    if (type == DT_LNK || type == DT_UNKNOWN) {
        struct stat st;
        if (type == DT_LNK)
            attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        // Like Windows, say whether a link leads to a folder.
        if (posix_syscalls.fstatat(dirfd(dir), entry->d_name, &st, 0) == 0)
            type = S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
    }
    if (type == DT_DIR)
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}

// The next entry that matches, or FALSE with ERROR_NO_MORE_FILES at the end.
BOOL next_match(Search& search, WIN32_FIND_DATAA* data)
{
    for (;;) {
        errno = 0;
        dirent* entry = posix_syscalls.readdir(search.dir);
        if (entry == nullptr)
            return errno != 0 ? fail_with_errno(errno) : fail_with(ERROR_NO_MORE_FILES);
        if (std::strlen(entry->d_name) >= sizeof data->cFileName ||
            !wildcard_match(search.pattern, entry->d_name))
            continue;
        data->dwFileAttributes = attributes_of(search.dir, entry);
        std::strcpy(data->cFileName, entry->d_name);
        return TRUE;
    }
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data)
{
    char path[PATH_MAX];
    if (data == nullptr || !posix_path_of(pattern, path)) {
        fail_with(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    char* slash = std::strrchr(path, '/');
    const char* name_pattern = slash != nullptr ? slash + 1 : path;
    const char* folder = ".";
    if (slash == path)
        folder = "/";
    else if (slash != nullptr) {
        *slash = '\0';
        folder = path;
    }
    if (*name_pattern == '\0' || std::strlen(name_pattern) >= MAX_PATH) {
        fail_with(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }

    auto* search = new (std::nothrow) Search;
    if (search == nullptr) {
        fail_with(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    std::strcpy(search->pattern, name_pattern);
    search->dir = posix_syscalls.opendir(folder);
    if (search->dir == nullptr) {
        fail_with_errno(errno == ENOENT ? ENOTDIR : errno);
        delete search;
        return INVALID_HANDLE_VALUE;
    }
    if (!next_match(*search, data)) {
        DWORD error = GetLastError();
        posix_syscalls.closedir(search->dir);
        delete search;
        // An empty result is "file not found" on Windows, not "no more files".
        fail_with(error == ERROR_NO_MORE_FILES ? ERROR_FILE_NOT_FOUND : error);
        return INVALID_HANDLE_VALUE;
    }
    return search;
}

BOOL FindNextFileA(HANDLE handle, WIN32_FIND_DATAA* data)
{
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || data == nullptr)
        return fail_with(ERROR_INVALID_HANDLE);
    return next_match(*static_cast<Search*>(handle), data);
}

BOOL FindClose(HANDLE handle)
{
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return fail_with(ERROR_INVALID_HANDLE);
    auto* search = static_cast<Search*>(handle);
    int result = posix_syscalls.closedir(search->dir);
    delete search;
    return result == 0 ? TRUE : fail_with_errno(errno);
}
