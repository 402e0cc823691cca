// Faults no real file system produces on demand: the Nth system call of a run
// fails with a chosen error, or the process dies right before it. After
// every such run nothing may be lost, every failure must be counted, no
// temporary file may stay behind, and a clean rerun must finish the job.
#include "campaign_support.h"

#include "../installer/installer.h"
#include "../platform/posix/syscalls.h"
#include "../platform/win32.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <type_traits>
#include <vector>

namespace {

using namespace campaign;

// What the hooked table does on this run.
struct Plan {
    long trigger = 0;     // number of the call that misbehaves; 0 for none
    bool crash = false;   // die before that call instead of failing it
    int error = 0;        // errno of the failure
    std::string only;     // the failure hits only calls of this name
    long calls = 0;       // calls of that name (or of all) so far
    bool no_unnamed_files = false;  // open(O_TMPFILE) is not supported
    bool no_proc = false;           // /proc/self/fd is not mounted
    bool no_copy_range = false;     // no in-kernel copy between these files
    std::size_t data_limit = 0;     // cap on every read and in-kernel copy
    std::size_t write_limit = 0;    // cap on every write
    std::vector<std::string> log;
};

Plan plan;

// True when this call is the one to fail; dies here when it is the one to
// crash at, as SIGKILL would: no clean-up of any kind.
bool strikes(const char* name)
{
    plan.log.push_back(name);
    if (!plan.only.empty() && plan.only != name)
        return false;
    if (++plan.calls != plan.trigger)
        return false;
    if (plan.crash)
        raise(SIGKILL);
    return true;
}

template <typename R>
R failure_value()
{
    if constexpr (std::is_pointer_v<R>)
        return nullptr;
    else
        return static_cast<R>(-1);
}

template <auto member>
struct Hook;

template <typename R, typename... A, R (*PosixSyscalls::*member)(A...)>
struct Hook<member> {
    static const char* name;
    static R call(A... args)
    {
        if (strikes(name)) {
            errno = plan.error;
            return failure_value<R>();
        }
        return (posix_system_calls.*member)(args...);
    }
};
template <typename R, typename... A, R (*PosixSyscalls::*member)(A...)>
const char* Hook<member>::name = "?";

// Closing releases the descriptor even when it reports an error.
int close_hook(int fd)
{
    int result = posix_system_calls.close(fd);
    if (strikes("close")) {
        errno = plan.error;
        return -1;
    }
    return result;
}

int closedir_hook(DIR* dir)
{
    int result = posix_system_calls.closedir(dir);
    if (strikes("closedir")) {
        errno = plan.error;
        return -1;
    }
    return result;
}

int open_hook(const char* path, int flags, mode_t mode)
{
    if (plan.no_unnamed_files && (flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return Hook<&PosixSyscalls::open>::call(path, flags, mode);
}

int linkat_hook(int old_dir, const char* old_path, int new_dir, const char* new_path, int flags)
{
    if (plan.no_proc && std::strncmp(old_path, "/proc/", 6) == 0) {
        errno = ENOENT;
        return -1;
    }
    return Hook<&PosixSyscalls::linkat>::call(old_dir, old_path, new_dir, new_path, flags);
}

std::size_t limited(std::size_t size, std::size_t limit)
{
    return limit != 0 && size > limit ? limit : size;
}

ssize_t read_hook(int fd, void* buffer, size_t size)
{
    return Hook<&PosixSyscalls::read>::call(fd, buffer, limited(size, plan.data_limit));
}

ssize_t write_hook(int fd, const void* buffer, size_t size)
{
    return Hook<&PosixSyscalls::write>::call(fd, buffer, limited(size, plan.write_limit));
}

ssize_t copy_file_range_hook(int in, off_t* in_offset, int out, off_t* out_offset, size_t size,
                             unsigned flags)
{
    if (plan.no_copy_range) {
        errno = EXDEV;
        return -1;
    }
    return Hook<&PosixSyscalls::copy_file_range>::call(in, in_offset, out, out_offset,
                                                       limited(size, plan.data_limit), flags);
}

#define NAME_HOOK(call) Hook<&PosixSyscalls::call>::name = #call

PosixSyscalls hooked_table()
{
    NAME_HOOK(getcwd);
    NAME_HOOK(chdir);
    NAME_HOOK(mkdir);
    NAME_HOOK(unlink);
    NAME_HOOK(open);
    NAME_HOOK(fstat);
    NAME_HOOK(fstatat);
    NAME_HOOK(copy_file_range);
    NAME_HOOK(read);
    NAME_HOOK(write);
    NAME_HOOK(fchmod);
    NAME_HOOK(futimens);
    NAME_HOOK(linkat);
    NAME_HOOK(rename);
    NAME_HOOK(opendir);
    NAME_HOOK(readdir);
    NAME_HOOK(lseek);
    PosixSyscalls table = {
        Hook<&PosixSyscalls::getcwd>::call,
        Hook<&PosixSyscalls::chdir>::call,
        Hook<&PosixSyscalls::mkdir>::call,
        Hook<&PosixSyscalls::unlink>::call,
        open_hook,
        close_hook,
        Hook<&PosixSyscalls::fstat>::call,
        Hook<&PosixSyscalls::fstatat>::call,
        copy_file_range_hook,
        read_hook,
        write_hook,
        Hook<&PosixSyscalls::fchmod>::call,
        Hook<&PosixSyscalls::futimens>::call,
        linkat_hook,
        Hook<&PosixSyscalls::rename>::call,
        Hook<&PosixSyscalls::opendir>::call,
        Hook<&PosixSyscalls::readdir>::call,
        closedir_hook,
        Hook<&PosixSyscalls::lseek>::call,
    };
    return table;
}

// The errors worth injecting into each call: the ones a real system gives,
// and those that send the layer down another road (EXDEV, EINTR).
const std::map<std::string, std::vector<int>> errors_by_call = {
    {"chdir", {EACCES}},
    {"mkdir", {EACCES, ENOSPC}},
    {"unlink", {EACCES, EBUSY}},
    {"open", {EACCES, ENOSPC, EMFILE}},
    {"close", {EIO}},
    {"fstat", {EIO}},
    {"fstatat", {EACCES, EIO}},
    {"copy_file_range", {EIO, ENOSPC, EXDEV, EINTR}},
    {"read", {EIO, EINTR}},
    {"write", {EIO, ENOSPC, EINTR}},
    {"fchmod", {EPERM}},
    {"futimens", {EPERM}},
    {"linkat", {EIO, ENOSPC, EPERM}},
    {"rename", {EIO, EBUSY}},
    {"opendir", {EACCES}},
    {"readdir", {EIO}},
    {"closedir", {EIO}},
    {"lseek", {EIO}},
};

// The conditions of the host the layer must cope with.
struct Host {
    const char* name;
    bool no_unnamed_files;
    bool no_proc;
    bool no_copy_range;
    std::size_t data_limit;
    std::size_t write_limit;
};

const Host hosts[] = {
    {"unnamed files", false, false, false, 0, 0},
    {"no /proc", false, true, false, 0, 0},
    {"no unnamed files", true, false, false, 0, 0},
    {"short in-kernel copies", false, false, false, 40000, 0},
    {"read and short writes", false, false, true, 40000, 15000},
};

// A distribution folder with every kind of move: a new target, a replaced
// one, an empty file, one large enough to need several transfers, and
// entries that must stay.
Expectation fill(const fs::path& folder)
{
    Expectation before;
    before.sources["a.dcu"] = content_for("a", 100);
    before.sources["Big.DCU"] = content_for("big", 300 * 1024 + 7);
    before.sources["empty.dcu"] = "";
    before.sources["replaced.dcu"] = content_for("replaced new", 5000);
    before.old_targets["replaced.dcu"] = content_for("replaced old", 7000);
    before.old_targets["kept.dcu"] = content_for("kept", 10);
    fs::create_directory(folder / "LIB");
    fs::create_directory(folder / "folder.dcu");
    write_file(folder / "readme.txt", "read me");
    for (const auto& [name, content] : before.sources)
        write_file(folder / name, content);
    for (const auto& [name, content] : before.old_targets)
        write_file(folder / "LIB" / name, content);
    return before;
}

class FaultInjection : public ::testing::Test {
protected:
    void SetUp() override { home = fs::current_path(); }
    void TearDown() override
    {
        posix_syscalls = posix_system_calls;
        fs::current_path(home);
    }

    // move_files in `folder`, as WinMain calls it.
    int move_in(const fs::path& folder)
    {
        fs::current_path(folder);
        std::memset(cur_dir, 0, sizeof cur_dir);
        GetCurrentDirectoryA(499, cur_dir);
        std::strcpy(base_dir, cur_dir);
        int result = move_files("*.dcu", "\\LIB");
        fs::current_path(home);
        return result;
    }

    int hooked_move_in(const fs::path& folder, const Plan& how)
    {
        plan = how;
        posix_syscalls = hooked_table();
        int result = move_in(folder);
        posix_syscalls = posix_system_calls;
        return result;
    }

    // How many calls a clean run makes on this host (of one name, or of all).
    long calls_of_clean_run(const Host& host, const std::string& only = "")
    {
        ScratchFolder scratch;
        fill(scratch.path());
        Plan how = plan_for(host);
        how.only = only;
        EXPECT_EQ(hooked_move_in(scratch.path(), how), 0) << host.name;
        return plan.calls;
    }

    static Plan plan_for(const Host& host)
    {
        Plan how;
        how.no_unnamed_files = host.no_unnamed_files;
        how.no_proc = host.no_proc;
        how.no_copy_range = host.no_copy_range;
        how.data_limit = host.data_limit;
        how.write_limit = host.write_limit;
        return how;
    }

    // After a run that was cut short: a clean run moves everything else and
    // nothing of ours is left anywhere.
    void expect_rerun_finishes(const fs::path& folder, const Expectation& before,
                               const std::string& what)
    {
        EXPECT_EQ(move_in(folder), 0) << what;
        EXPECT_EQ(expect_nothing_lost(folder, folder / "LIB", before), 0) << what;
        for (const auto& [name, content] : before.sources)
            EXPECT_TRUE(same_content(read_file(folder / "LIB" / name), content))
                << what << ": " << name;
        EXPECT_EQ(temporaries_in(folder / "LIB"), std::set<std::string>{}) << what;
        EXPECT_EQ(temporaries_in(folder), std::set<std::string>{}) << what;
    }

    static std::string describe(const Host& host, const Plan& how,
                                const std::vector<std::string>& clean_log)
    {
        std::string text = std::string(host.name) + ", ";
        if (how.crash) {
            std::string call = how.trigger <= static_cast<long>(clean_log.size())
                                   ? clean_log[how.trigger - 1]
                                   : "?";
            return text + "killed before call " + std::to_string(how.trigger) + " (" + call + ")";
        }
        return text + "call " + std::to_string(how.trigger) + " of " + how.only + " failing with " +
               std::strerror(how.error);
    }

    fs::path home;
};

TEST_F(FaultInjection, CleanRunMovesEverythingOnEveryHost)
{
    for (const Host& host : hosts) {
        ScratchFolder scratch;
        Expectation before = fill(scratch.path());
        EXPECT_EQ(hooked_move_in(scratch.path(), plan_for(host)), 0) << host.name;
        expect_rerun_finishes(scratch.path(), before, host.name);
        EXPECT_TRUE(fs::is_directory(scratch.path() / "folder.dcu")) << host.name;
        EXPECT_EQ(read_file(scratch.path() / "readme.txt").value_or(""), "read me");
    }
}

// Every call of a run fails in turn, with each error that call can give.
TEST_F(FaultInjection, AnyFailingCallLosesNothingAndIsCounted)
{
    int runs = 0;
    for (const Host& host : hosts) {
        for (const auto& [call, errors] : errors_by_call) {
            long total = calls_of_clean_run(host, call);
            for (long n = 1; n <= total; ++n) {
                for (int error : errors) {
                    ScratchFolder scratch;
                    Expectation before = fill(scratch.path());
                    Plan how = plan_for(host);
                    how.only = call;
                    how.trigger = n;
                    how.error = error;
                    int result = hooked_move_in(scratch.path(), how);
                    std::string what = describe(host, how, {});
                    ++runs;

                    int left = expect_nothing_lost(scratch.path(), scratch.path() / "LIB", before);
                    if (result != move_folder_unreadable) {
                        EXPECT_EQ(result, left) << what << ": every source left is a failure";
                    }
                    EXPECT_EQ(temporaries_in(scratch.path() / "LIB"), std::set<std::string>{})
                        << what;
                    expect_rerun_finishes(scratch.path(), before, what);
                    if (HasFailure())
                        return;
                }
            }
        }
    }
    std::printf("%d runs with one failing call\n", runs);
}

// The process dies before each call of a run in turn, like a SIGKILL at that
// instant: at most one temporary per target, and a rerun cleans it up.
TEST_F(FaultInjection, KillBeforeAnyCallLosesNothingAndRerunFinishes)
{
    int kills = 0;
    for (const Host& host : hosts) {
        long total = calls_of_clean_run(host);
        std::vector<std::string> clean_log = plan.log;
        for (long n = 1; n <= total; ++n) {
            ScratchFolder scratch;
            Expectation before = fill(scratch.path());
            Plan how = plan_for(host);
            how.trigger = n;
            how.crash = true;
            std::fflush(nullptr);
            pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                hooked_move_in(scratch.path(), how);
                _exit(0);
            }
            int status = wait_status(child);
            std::string what = describe(host, how, clean_log);
            ASSERT_EQ(status, -SIGKILL) << what;
            ++kills;

            expect_nothing_lost(scratch.path(), scratch.path() / "LIB", before);
            EXPECT_LE(temporaries_in(scratch.path() / "LIB").size(), 1u) << what;
            EXPECT_EQ(temporaries_in(scratch.path()), std::set<std::string>{}) << what;
            expect_rerun_finishes(scratch.path(), before, what);
            if (HasFailure())
                return;
        }
    }
    std::printf("%d kills\n", kills);
}

}  // namespace
