// The process entry of the native build: what the Windows start-up code does
// before it calls WinMain.
#include "process.h"
#include "win32_api.h"

int main(int argc, char** argv)
{
    char* command_tail = posix_set_command_line(argc, argv);
    return WinMain(nullptr, nullptr, command_tail, 1);
}
