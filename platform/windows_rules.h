// Windows naming rules as pure functions: no system calls, so they compile
// and are tested on every platform.
#pragma once

#include <cstddef>
#include <string>

// "*" matches any run of characters, "?" exactly one; ASCII letters match
// without regard to case, as Windows file-name matching does.
bool wildcard_match(const char* pattern, const char* name);

// Backslashes become slashes. False when the result does not fit.
bool to_posix_path(const char* windows_path, char* out, std::size_t out_size);

// Slashes become backslashes. False when the result does not fit, or when the
// path holds a backslash of its own: it would name a different path on the
// way back.
bool to_windows_path(const char* posix_path, char* out, std::size_t out_size);

// Appends one argument to a Windows command line the way the C runtime will
// split it again: quoted when it holds white space or quotes, or is empty.
void append_command_line_argument(std::string& line, const char* argument);
