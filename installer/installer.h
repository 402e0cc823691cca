#pragma once

#include <cstddef>

// The folder the program was started in, and the folder under which the
// target subfolder is formed.
extern char cur_dir[500];
extern char base_dir[500];

// move_files result when the working folder itself could not be read.
constexpr int move_folder_unreadable = -1;

// Moves every entry of the current folder that matches `pattern` into
// base_dir + `subdir` (which begins with a backslash), creating that folder
// when it is missing. Returns how many matching files could not be moved, or
// move_folder_unreadable.
int move_files(const char* pattern, const char* subdir);

// "Brisca installation failed: N file(s) could not be moved to LIB."
void format_failure_text(char* out, std::size_t out_size, unsigned failed);
