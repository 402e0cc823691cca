#include "installer.h"

#include "../messages/messages.h"
#include "../platform/win32.h"

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    DWORD length = GetCurrentDirectoryA(499, cur_dir);
    // An empty base_dir would put the target at the root of the drive.
    if (length == 0 || length >= 499) {
        show_message("Brisca installation failed: the current folder could not be read.");
        return 1;
    }
    std::strcpy(base_dir, cur_dir);

    int failed = move_files("*.dcu", "\\LIB");
    if (failed == 0) {
        show_message("Brisca successfully installed!");
        return 0;
    }
    if (failed == move_folder_unreadable) {
        show_message("Brisca installation failed: the current folder could not be read.");
        return 1;
    }
    char text[80];
    format_failure_text(text, sizeof text, static_cast<unsigned>(failed));
    show_message(text);
    return 1;
}
