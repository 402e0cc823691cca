#pragma once

#include <cstddef>

// Shows `text` in a modal box with one OK button, titled with the program's
// file name; returns once the user has dismissed it. The floating-point unit
// is reinitialised for the box and given back to the caller as it was.
void show_message(const char* text);

constexpr std::size_t title_capacity = 32;

// The box title for a command line: the text after its last backslash (or
// after a leading number), cut to 32 bytes, less one trailing space and then
// one trailing quote; "Error" when nothing is left.
void title_from_command_line(const char* line, char (&title)[title_capacity + 1]);
