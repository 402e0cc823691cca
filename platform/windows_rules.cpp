#include "windows_rules.h"

#include <cstring>

namespace {

unsigned char fold_case(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool replace_separators(const char* in, char* out, std::size_t out_size, char from, char to)
{
    std::size_t length = std::strlen(in);
    if (length >= out_size)
        return false;
    for (std::size_t i = 0; i < length; ++i)
        out[i] = in[i] == from ? to : in[i];
    out[length] = '\0';
    return true;
}

}  // namespace

bool wildcard_match(const char* pattern, const char* name)
{
    // Greedy scan with one backtrack point: linear in practice, never
    // exponential on patterns with many stars.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' ||
                   (*pattern != '\0' && fold_case(static_cast<unsigned char>(*pattern)) ==
                                            fold_case(static_cast<unsigned char>(*name)))) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

bool to_posix_path(const char* windows_path, char* out, std::size_t out_size)
{
    return replace_separators(windows_path, out, out_size, '\\', '/');
}

bool to_windows_path(const char* posix_path, char* out, std::size_t out_size)
{
    if (std::strchr(posix_path, '\\') != nullptr)
        return false;
    return replace_separators(posix_path, out, out_size, '/', '\\');
}

void append_command_line_argument(std::string& line, const char* argument)
{
    if (!line.empty())
        line += ' ';
    if (*argument != '\0' && std::strpbrk(argument, " \t\n\v\"") == nullptr) {
        line += argument;
        return;
    }
    // Backslashes are literal except before a quote, where they pair up.
    line += '"';
    std::size_t backslashes = 0;
    for (const char* p = argument; *p != '\0'; ++p) {
        if (*p == '\\') {
            ++backslashes;
            continue;
        }
        if (*p == '"')
            line.append(backslashes * 2 + 1, '\\');
        else
            line.append(backslashes, '\\');
        backslashes = 0;
        line += *p;
    }
    line.append(backslashes * 2, '\\');
    line += '"';
}
