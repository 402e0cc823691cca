#include "installer.h"

#include <cstring>

void format_failure_text(char* out, std::size_t out_size, unsigned failed)
{
    // Digits by hand: the Windows build stays free of the printf family.
    char digits[12];
    char* first = digits + sizeof digits;
    *--first = '\0';
    do {
        *--first = static_cast<char>('0' + failed % 10);
        failed /= 10;
    } while (failed != 0);

    const char* parts[] = {"Brisca installation failed: ", first,
                           " file(s) could not be moved to LIB."};
    std::size_t used = 0;
    for (const char* part : parts) {
        for (const char* p = part; *p != '\0' && used + 1 < out_size; ++p)
            out[used++] = *p;
    }
    if (out_size > 0)
        out[used] = '\0';
}
