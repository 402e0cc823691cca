// The built program, started as a user would start it, in a folder of its own.
#include "folder_fixture.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

struct Outcome {
    int status;
    std::string output;
};

// Runs install in the current folder with no one at the terminal; a run that
// outlives its time is killed and reported as such.
Outcome run_install(const char* program = INSTALL_PROGRAM)
{
    const fs::path output_file = fs::temp_directory_path() / ("install-output-" + std::to_string(getpid()));
    pid_t child = fork();
    if (child == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = open(output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0)
            _exit(126);
        // These runs check the terminal box: on a desktop a window would wait
        // for a user who is not there.
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            ADD_FAILURE() << "install did not finish in time";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(output_file)};
    fs::remove(output_file);
    return outcome;
}

using EndToEnd = DistributionFolder;

TEST_F(EndToEnd, MovesTheUnitsAndSaysSo)
{
    write_file(root / "a.dcu", "new a");
    write_file(root / "B.DCU", "new B");
    write_file(root / "x.txt", "text");
    fs::create_directory(root / "sub.dcu");
    fs::create_directory(root / "LIB");
    write_file(root / "LIB" / "a.dcu", "old a");
    const auto when = fs::last_write_time(root / "a.dcu") - std::chrono::hours(48);
    fs::last_write_time(root / "a.dcu", when);

    const Outcome run = run_install();

    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "install: Brisca successfully installed!\n");
    EXPECT_EQ(entries_of(root), (std::set<std::string>{"LIB", "x.txt", "sub.dcu"}));
    EXPECT_EQ(entries_of(root / "LIB"), (std::set<std::string>{"a.dcu", "B.DCU"}));
    EXPECT_EQ(read_file(root / "LIB" / "a.dcu"), "new a");
    EXPECT_EQ(fs::last_write_time(root / "LIB" / "a.dcu"), when);
    EXPECT_EQ(read_file(root / "LIB" / "B.DCU"), "new B");

    // Nothing is left to do the second time.
    const Outcome again = run_install();
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.output, "install: Brisca successfully installed!\n");
    EXPECT_EQ(read_file(root / "LIB" / "a.dcu"), "new a");
}

TEST_F(EndToEnd, ReportsFilesItCouldNotMove)
{
    write_file(root / "LIB", "in the way");
    write_file(root / "a.dcu", "a");
    write_file(root / "b.dcu", "b");

    const Outcome run = run_install();

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output,
              "install: Brisca installation failed: 2 file(s) could not be moved to LIB.\n");
    EXPECT_EQ(read_file(root / "a.dcu"), "a");
    EXPECT_EQ(read_file(root / "b.dcu"), "b");
    EXPECT_EQ(read_file(root / "LIB"), "in the way");
}

TEST_F(EndToEnd, MovesNothingFromAFolderItCannotName)
{
    // A backslash in a folder name has no Windows spelling; guessing one
    // would move files somewhere else.
    fs::create_directories(root / "a\\b");
    fs::create_directories(root / "a" / "b");
    write_file(root / "a\\b" / "x.dcu", "x");
    fs::current_path(root / "a\\b");

    const Outcome run = run_install();

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output,
              "install: Brisca installation failed: the current folder could not be read.\n");
    EXPECT_EQ(entries_of(root / "a\\b"), (std::set<std::string>{"x.dcu"}));
    EXPECT_TRUE(fs::is_empty(root / "a" / "b"));
}

TEST_F(EndToEnd, CreatesLibInAFolderWithNoUnits)
{
    const Outcome run = run_install();
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "install: Brisca successfully installed!\n");
    EXPECT_EQ(entries_of(root), (std::set<std::string>{"LIB"}));
}

}  // namespace
