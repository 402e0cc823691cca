// A private X server with a window manager, and the few process helpers that
// tests of real windows need. Every wait is bounded, so a test never hangs.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

struct Desktop {
    pid_t server = -1;
    pid_t window_manager = -1;
    std::string display;  // ":N"
    std::string log;      // what the server and the window manager printed
};

// Starts Xvfb on a free display and a window manager on it, and points
// DISPLAY at it (WAYLAND_DISPLAY is removed). False with `error` set on failure.
bool start_desktop(Desktop& desktop, std::string& error);
void stop_desktop(Desktop& desktop);

struct CommandResult {
    int status = -1;  // exit status, or -1 when the command did not exit normally
    std::string output;
};

// Runs a shell command, capturing its standard output.
CommandResult run_shell(const std::string& command);

// Starts `program` in `folder` with stdin from /dev/null and stdout and stderr
// into `output_file`; the environment is this process's, changed by `environment`
// (NAME=value sets, a bare NAME removes). Call it before the process has
// threads of its own: the child changes its environment before exec.
pid_t start_program(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& folder, const std::string& output_file,
                    const std::vector<std::string>& environment = {});

// The exit status of `pid`, or -1 after killing it when it did not exit
// normally within `seconds`.
int wait_for_exit(pid_t pid, int seconds);

// The first visible window that `xdotool search` finds with `criteria`
// (such as --name 'regex' or --pid N), or "" when none shows within `seconds`.
std::string find_window(const std::string& criteria, int seconds);

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& contents);
// A new empty folder under TMPDIR.
std::string make_temporary_folder();
