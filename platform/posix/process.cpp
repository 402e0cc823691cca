#include "process.h"

#include "win32_api.h"

#include "../windows_rules.h"

#include <string>

namespace {

std::string command_line;

}  // namespace

char* posix_set_command_line(int argc, char** argv)
{
    command_line.clear();
    std::size_t tail = 0;
    if (argc > 0 && argv[0] != nullptr) {
        std::string program(argv[0]);
        for (char& c : program)
            if (c == '/')
                c = '\\';
        if (program.find(' ') != std::string::npos)
            command_line = '"' + program + '"';
        else
            command_line = program;
        tail = command_line.size();
    }
    for (int i = 1; i < argc; ++i)
        append_command_line_argument(command_line, argv[i]);
    if (tail < command_line.size())
        ++tail;  // the space after the program's path
    return &command_line[tail];
}

LPSTR GetCommandLineA()
{
    return &command_line[0];
}
