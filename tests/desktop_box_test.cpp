// The installed program's box on a real X server: it shows, it waits, every
// way of dismissing it ends the run, and without a usable display the same
// binary talks to the terminal instead.
#include "desktop.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char success_text[] = "Brisca successfully installed!";

// A temporary distribution folder `dist`, with the run's output beside it.
struct InstallRun {
    std::string root = make_temporary_folder();
    std::string dist = root + "/dist";
    std::string output = root + "/output.txt";

    InstallRun() { fs::create_directory(dist); }
    ~InstallRun() { fs::remove_all(root); }

    pid_t start(const std::vector<std::string>& environment = {},
                const std::string& program = INSTALL_PROGRAM) const
    {
        return start_program(program, {}, dist, output, environment);
    }
};

bool is_viewable(const std::string& window)
{
    return run_shell("timeout 10 xwininfo -id " + window + " | grep -q 'Map State: IsViewable'")
               .status == 0;
}

// The name as the toolkit set it, in UTF-8: xdotool reads only the legacy
// name, which is missing when the title is not Latin-1.
std::string window_name(const std::string& window)
{
    std::string line = run_shell("LC_ALL=C.UTF-8 timeout 10 xprop -id " + window +
                                 " _NET_WM_NAME")
                           .output;
    std::size_t open = line.find('"');
    std::size_t close = line.rfind('"');
    if (open == std::string::npos || close == open)
        return "";
    return line.substr(open + 1, close - open - 1);
}

bool take_screenshot(const std::string& file_name)
{
    fs::create_directories(SCREENSHOT_DIR);
    std::string path = std::string(SCREENSHOT_DIR) + "/" + file_name;
    return run_shell("timeout 20 import -window root '" + path + "'").status == 0 &&
           fs::file_size(path) > 0;
}

bool press(const std::string& window, const std::string& keys)
{
    return run_shell("timeout 10 xdotool windowactivate --sync " + window + " key " + keys)
               .status == 0;
}

// The OK button spans the bottom of the box.
bool click_ok(const std::string& window)
{
    return run_shell("eval \"$(timeout 10 xdotool getwindowgeometry --shell " + window +
                     ")\" && timeout 10 xdotool mousemove --window " + window +
                     " --sync $((WIDTH / 2)) $((HEIGHT - 12)) click 1")
               .status == 0;
}

class DesktopBox : public ::testing::Test {
protected:
    static void SetUpTestSuite() { started = start_desktop(desktop, start_error); }
    static void TearDownTestSuite() { stop_desktop(desktop); }

    void SetUp() override { ASSERT_TRUE(started) << start_error; }

    static Desktop desktop;
    static bool started;
    static std::string start_error;
};

Desktop DesktopBox::desktop;
bool DesktopBox::started = false;
std::string DesktopBox::start_error;

TEST_F(DesktopBox, ShowsTheSuccessBoxAndWaitsForEnter)
{
    InstallRun run;
    write_file(run.dist + "/a.dcu", "new a");
    write_file(run.dist + "/b.dcu", "b");
    write_file(run.dist + "/readme.txt", "stays");
    fs::create_directory(run.dist + "/LIB");
    write_file(run.dist + "/LIB/a.dcu", "old a");

    pid_t pid = run.start();
    std::string window = find_window("--name '^install$'", 20);
    ASSERT_FALSE(window.empty()) << "no window titled install; output: " << read_file(run.output);
    EXPECT_TRUE(is_viewable(window));
    EXPECT_EQ(window_name(window), "install");
    EXPECT_TRUE(take_screenshot("dialog.png"));
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "the program did not wait for the box";

    EXPECT_TRUE(press(window, "Return"));
    EXPECT_EQ(wait_for_exit(pid, 20), 0);
    EXPECT_EQ(read_file(run.dist + "/LIB/a.dcu"), "new a");
    EXPECT_EQ(read_file(run.dist + "/LIB/b.dcu"), "b");
    EXPECT_FALSE(fs::exists(run.dist + "/a.dcu"));
    EXPECT_FALSE(fs::exists(run.dist + "/b.dcu"));
    EXPECT_EQ(read_file(run.dist + "/readme.txt"), "stays");
    // The box is all the user sees: nothing on the terminal, no toolkit warnings.
    EXPECT_EQ(read_file(run.output), "");
}

// A name of 31 bytes and a two-byte character: the 32-byte title ends in half
// of that character, which the toolkit must still be given as valid text.
TEST_F(DesktopBox, ShowsATitleCutInsideACharacter)
{
    InstallRun run;
    const std::string prefix = "brisca-installer-for-developers";
    ASSERT_EQ(prefix.size(), 31u);
    std::string program = run.dist + "/" + prefix + "\xC3\xA9";
    fs::create_symlink(fs::absolute(INSTALL_PROGRAM), program);

    pid_t pid = run.start({}, program);
    std::string window = find_window("--pid " + std::to_string(pid), 20);
    ASSERT_FALSE(window.empty()) << "no box; output: " << read_file(run.output);
    EXPECT_EQ(window_name(window), prefix + "\xEF\xBF\xBD");
    EXPECT_TRUE(take_screenshot("dialog-cut-title.png"));
    EXPECT_TRUE(press(window, "Return"));
    EXPECT_EQ(wait_for_exit(pid, 20), 0);
    EXPECT_EQ(read_file(run.output), "");
}

struct Dismissal {
    const char* name;
    bool (*dismiss)(const std::string& window);
};

void PrintTo(const Dismissal& dismissal, std::ostream* out)
{
    *out << dismissal.name;
}

class DesktopBoxDismissal : public DesktopBox, public ::testing::WithParamInterface<Dismissal> {};

TEST_P(DesktopBoxDismissal, EndsTheRun)
{
    InstallRun run;
    pid_t pid = run.start();
    std::string window = find_window("--name '^install$'", 20);
    ASSERT_FALSE(window.empty()) << "no box; output: " << read_file(run.output);
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0);
    EXPECT_TRUE(GetParam().dismiss(window));
    EXPECT_EQ(wait_for_exit(pid, 20), 0);
    EXPECT_TRUE(fs::is_directory(run.dist + "/LIB"));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, DesktopBoxDismissal,
    ::testing::Values(Dismissal{"Escape", [](const std::string& w) { return press(w, "Escape"); }},
                      Dismissal{"KeypadEnter", [](const std::string& w) { return press(w, "KP_Enter"); }},
                      Dismissal{"CloseWindow", [](const std::string& w) { return press(w, "alt+F4"); }},
                      Dismissal{"ClickOk", click_ok}),
    [](const ::testing::TestParamInfo<Dismissal>& info) { return std::string(info.param.name); });

// No server needed: these runs must never reach one.
struct Headless {
    const char* name;
    std::vector<std::string> environment;
};

void PrintTo(const Headless& headless, std::ostream* out)
{
    *out << headless.name;
}

class HeadlessBox : public ::testing::TestWithParam<Headless> {};

TEST_P(HeadlessBox, PrintsToTheTerminalAndInstalls)
{
    InstallRun run;
    write_file(run.dist + "/a.dcu", "a");
    pid_t pid = run.start(GetParam().environment);
    EXPECT_EQ(wait_for_exit(pid, 20), 0);
    EXPECT_EQ(read_file(run.output), std::string("install: ") + success_text + "\n");
    EXPECT_EQ(read_file(run.dist + "/LIB/a.dcu"), "a");
    EXPECT_FALSE(fs::exists(run.dist + "/a.dcu"));
}

INSTANTIATE_TEST_SUITE_P(
    Displays, HeadlessBox,
    ::testing::Values(Headless{"NoDisplay", {"DISPLAY", "WAYLAND_DISPLAY"}},
                      Headless{"EmptyDisplay", {"DISPLAY=", "WAYLAND_DISPLAY="}},
                      Headless{"X11DisplayNobodyServes", {"DISPLAY=:65000", "WAYLAND_DISPLAY"}},
                      Headless{"WaylandDisplayNobodyServes",
                               {"DISPLAY", "WAYLAND_DISPLAY=install-test-nowhere"}}),
    [](const ::testing::TestParamInfo<Headless>& info) { return std::string(info.param.name); });

TEST(HeadlessStart, LoadsNoToolkitWithoutADisplay)
{
    InstallRun run;
    pid_t pid = run.start({"DISPLAY", "WAYLAND_DISPLAY", "LD_DEBUG=files"});
    EXPECT_EQ(wait_for_exit(pid, 20), 0);
    std::string log = read_file(run.output);
    EXPECT_NE(log.find("file="), std::string::npos) << "the loader wrote no log: " << log;
    EXPECT_EQ(log.find("libgtk"), std::string::npos) << log;
}

TEST(HeadlessStart, ProgramDoesNotLinkTheToolkit)
{
    CommandResult needed = run_shell(std::string("readelf -d '") + INSTALL_PROGRAM + "'");
    ASSERT_EQ(needed.status, 0);
    EXPECT_NE(needed.output.find("libc.so"), std::string::npos) << needed.output;
    for (const char* library : {"libgtk", "libgdk", "libglib", "libgobject"})
        EXPECT_EQ(needed.output.find(library), std::string::npos) << needed.output;
}

}  // namespace
