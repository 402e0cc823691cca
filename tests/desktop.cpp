#include "desktop.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// The child does no more than system calls before exec: the parent may
// already have threads of its own.
pid_t spawn(const std::vector<std::string>& argv, const std::string& log, int keep_fd = -1)
{
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    int null_fd = open("/dev/null", O_RDWR);
    int log_fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    dup2(null_fd, STDIN_FILENO);
    dup2(log_fd, STDOUT_FILENO);
    dup2(log_fd, STDERR_FILENO);
    if (keep_fd >= 0)
        fcntl(keep_fd, F_SETFD, 0);
    execvp(args[0], args.data());
    _exit(127);
}

void end_process(pid_t& pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    if (wait_for_exit(pid, 5) == -1)
        waitpid(pid, nullptr, 0);
    pid = -1;
}

// Xvfb writes the display number it chose, then a newline, once it is ready.
std::string read_display_number(int fd, int seconds)
{
    std::string number;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, 100) <= 0)
            continue;
        char c;
        if (read(fd, &c, 1) != 1)
            break;
        if (c == '\n')
            return number;
        number += c;
    }
    return "";
}

}  // namespace

namespace {

bool start_once(Desktop& desktop, std::string& error)
{
    desktop.log = make_temporary_folder() + "/desktop.log";
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = "pipe failed";
        return false;
    }
    desktop.server = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                            "1024x768x24", "-nolisten", "tcp"},
                           desktop.log, fds[1]);
    close(fds[1]);
    std::string number = read_display_number(fds[0], 20);
    close(fds[0]);
    if (number.empty()) {
        error = "Xvfb did not start (is the xvfb package installed?): " + read_file(desktop.log);
        return false;
    }
    desktop.display = ":" + number;
    setenv("DISPLAY", desktop.display.c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    // This desktop has no accessibility bus for GTK to look for.
    setenv("NO_AT_BRIDGE", "1", 1);

    // A window manager draws the title bar, and closes windows as a user would.
    desktop.window_manager = spawn({"openbox", "--sm-disable"}, desktop.log);
    CommandResult ready = run_shell(
        "timeout 10 sh -c 'until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null"
        " | grep -q \"window id\"; do sleep 0.1; done'");
    if (ready.status != 0) {
        bool server_alive = kill(desktop.server, 0) == 0;
        error = "the window manager did not start on " + desktop.display + " (server " +
                (server_alive ? "running" : "gone") +
                "; are openbox and x11-utils installed?): " + read_file(desktop.log);
        return false;
    }
    return true;
}

}  // namespace

// Another X server starting at the same moment can take the display that
// Xvfb has just chosen; a second start then finds a free one.
bool start_desktop(Desktop& desktop, std::string& error)
{
    error.clear();
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string attempt_error;
        if (start_once(desktop, attempt_error))
            return true;
        error += attempt_error + "\n";
        stop_desktop(desktop);
    }
    return false;
}

void stop_desktop(Desktop& desktop)
{
    end_process(desktop.window_manager);
    end_process(desktop.server);
    unsetenv("DISPLAY");
    if (!desktop.log.empty()) {
        std::filesystem::remove_all(std::filesystem::path(desktop.log).parent_path());
        desktop.log.clear();
    }
}

CommandResult run_shell(const std::string& command)
{
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, count);
    int status = pclose(pipe);
    if (status != -1 && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    return result;
}

pid_t start_program(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& folder, const std::string& output_file,
                    const std::vector<std::string>& environment)
{
    std::vector<char*> args{const_cast<char*>(program.c_str())};
    for (const std::string& arg : arguments)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    int null_fd = open("/dev/null", O_RDONLY);
    int out_fd = open(output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (null_fd < 0 || out_fd < 0 || chdir(folder.c_str()) != 0)
        _exit(126);
    dup2(null_fd, STDIN_FILENO);
    dup2(out_fd, STDOUT_FILENO);
    dup2(out_fd, STDERR_FILENO);
    for (const std::string& change : environment) {
        std::size_t equals = change.find('=');
        if (equals == std::string::npos)
            unsetenv(change.c_str());
        else
            setenv(change.substr(0, equals).c_str(), change.c_str() + equals + 1, 1);
    }
    execv(program.c_str(), args.data());
    _exit(127);
}

int wait_for_exit(pid_t pid, int seconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        int status;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (done == -1 && errno != EINTR)
            return -1;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string find_window(const std::string& criteria, int seconds)
{
    CommandResult found = run_shell("timeout " + std::to_string(seconds) +
                                    " xdotool search --sync --onlyvisible " + criteria +
                                    " 2>/dev/null");
    std::istringstream lines(found.output);
    std::string first;
    std::getline(lines, first);
    return found.status == 0 ? first : "";
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

void write_file(const std::string& path, const std::string& contents)
{
    std::ofstream(path, std::ios::binary) << contents;
}

std::string make_temporary_folder()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") +
                          "/install-test.XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr)
        return "";
    return pattern;
}
