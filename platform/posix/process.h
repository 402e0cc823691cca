#pragma once

// Builds the line GetCommandLineA returns from the arguments the process was
// started with; returns the part after the program's own path.
char* posix_set_command_line(int argc, char** argv);
