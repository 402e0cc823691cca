#include "installer.h"

#include "../platform/win32.h"

#include <cstring>

char cur_dir[500];
char base_dir[500];

char dest_path[512];
char* dest_name;

int move_files(const char* pattern, const char* subdir)
{
    std::size_t base_length = std::strlen(base_dir);
    std::size_t subdir_length = std::strlen(subdir);
    // Room for the folder, its closing backslash and at least a one-letter name.
    if (base_length + subdir_length + 3 > sizeof dest_path)
        return move_folder_unreadable;
    std::strcpy(dest_path, base_dir);
    std::strcat(dest_path, subdir);

    if (!SetCurrentDirectoryA(dest_path))
        CreateDirectoryA(dest_path, nullptr);
    // Searching anywhere but the working folder would move the wrong files.
    if (!SetCurrentDirectoryA(cur_dir))
        return move_folder_unreadable;

    std::strcat(dest_path, "\\");
    dest_name = dest_path + std::strlen(dest_path);
    std::size_t name_room = sizeof dest_path - static_cast<std::size_t>(dest_name - dest_path);

    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : move_folder_unreadable;

    int failed = 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;  // a folder that matches stays where it is
        if (std::strlen(found.cFileName) >= name_room) {
            ++failed;
            continue;
        }
        std::strcpy(dest_name, found.cFileName);
        // The source goes only once its copy is safely in place.
        if (!CopyFileA(found.cFileName, dest_path, FALSE) || !DeleteFileA(found.cFileName))
            ++failed;
    } while (FindNextFileA(search, &found));
    bool listed_to_the_end = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(search);
    return listed_to_the_end ? failed : move_folder_unreadable;
}
