#include "messages.h"

#include "fpu_state.h"

#include "../platform/win32.h"

#include <cstdlib>
#include <cstring>

void title_from_command_line(const char* line, char (&title)[title_capacity + 1])
{
    char* after_number;
    std::strtol(line, &after_number, 10);
    const char* start = after_number;

    const char* candidate = start;
    for (const char* p = start + std::strlen(start); p != start; --p) {
        if (p[-1] == '\\') {
            candidate = p;
            break;
        }
    }

    std::size_t length = 0;
    while (length < title_capacity && candidate[length] != '\0') {
        title[length] = candidate[length];
        ++length;
    }
    if (length > 0 && title[length - 1] == ' ')
        --length;
    if (length > 0 && title[length - 1] == '"')
        --length;
    title[length] = '\0';
    if (length == 0)
        std::strcpy(title, "Error");
}

void show_message(const char* text)
{
    char title[title_capacity + 1];
    title_from_command_line(GetCommandLineA(), title);
    save_fpu_state();
    MessageBoxA(nullptr, text, title, MB_OK);
    restore_fpu_state();
}
