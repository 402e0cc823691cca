// The box in a terminal: title and text on standard output; Enter is the OK
// button when someone is there to press it, and nobody is waited for otherwise.
#include "win32_api.h"

#include <cstdio>
#include <unistd.h>

namespace {

// Control bytes from a file name must not drive the terminal.
void print_visible(const char* text)
{
    for (const char* p = text; *p != '\0'; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        std::fputc(c < 0x20 || c == 0x7f ? '?' : c, stdout);
    }
}

void wait_for_enter()
{
    std::fputs("[ OK ] press Enter", stdout);
    std::fflush(stdout);
    char c;
    while (read(STDIN_FILENO, &c, 1) == 1 && c != '\n') {
    }
}

}  // namespace

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT)
{
    print_visible(caption != nullptr ? caption : "Error");
    std::fputs(": ", stdout);
    print_visible(text != nullptr ? text : "");
    std::fputc('\n', stdout);
    if (isatty(STDIN_FILENO))
        wait_for_enter();
    std::fflush(stdout);
    return IDOK;
}
