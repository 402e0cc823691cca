// The box: a desktop dialog when there is a display to show it on; otherwise
// title and text on standard output, where Enter is the OK button when someone
// is there to press it, and nobody is waited for otherwise.
#include "gtk_dialog.h"
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

void show_in_terminal(const char* title, const char* text)
{
    print_visible(title);
    std::fputs(": ", stdout);
    print_visible(text);
    std::fputc('\n', stdout);
    if (isatty(STDIN_FILENO))
        wait_for_enter();
    std::fflush(stdout);
}

}  // namespace

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT)
{
    const char* title = caption != nullptr ? caption : "Error";
    if (text == nullptr)
        text = "";
    if (!show_gtk_dialog(title, text))
        show_in_terminal(title, text);
    return IDOK;
}
