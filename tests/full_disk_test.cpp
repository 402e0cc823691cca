// LIB on a small file system that fills up during the run: a tmpfs mounted
// in a private mount namespace of this test process, so that nothing is
// mounted for anyone else and it all goes away with the process.
#include "campaign_support.h"

#include <sched.h>
#include <sys/mount.h>

namespace {

using namespace campaign;

const char* const program = INSTALL_PROGRAM;

class FullDisk : public ::testing::Test {
protected:
    fs::path folder() const { return scratch.path() / "dist"; }
    fs::path lib() const { return folder() / "LIB"; }

    void SetUp() override
    {
        if (::unshare(CLONE_NEWNS) != 0)
            GTEST_SKIP() << "no private mount namespace for this test (unshare: "
                         << std::strerror(errno) << "); the full-disk cases did not run";
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            GTEST_SKIP() << "cannot make the mounts private (" << std::strerror(errno)
                         << "); the full-disk cases did not run";
        fs::create_directories(lib());
    }

    // A small tmpfs as LIB; the test is skipped when the machine refuses it.
    void mount_small_lib(const std::string& options)
    {
        if (::mount("brisca-full", lib().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) !=
            0)
            GTEST_SKIP() << "cannot mount a tmpfs (-o " << options << "): " << std::strerror(errno)
                         << "; the full-disk case did not run";
        mounted = true;
    }

    void grow_lib()
    {
        ASSERT_EQ(::mount("brisca-full", lib().c_str(), "tmpfs", MS_REMOUNT | MS_NOSUID | MS_NODEV,
                          "size=64m,nr_inodes=1000"),
                  0)
            << std::strerror(errno);
    }

    void TearDown() override
    {
        if (mounted)
            ::umount2(lib().c_str(), MNT_DETACH);
    }

    // One run that runs out of room, then one with room to spare.
    void expect_full_then_finished(const Expectation& before)
    {
        RunResult full = run_program(program, folder());
        int left = expect_nothing_lost(folder(), lib(), before);
        EXPECT_GT(left, 0) << "LIB never filled up; the case tests nothing";
        EXPECT_EQ(full.status, 1);
        EXPECT_NE(full.output.find(failure_text(left)), std::string::npos) << full.output;
        EXPECT_EQ(temporaries_in(lib()), std::set<std::string>{});
        for (const std::string& name : names_in(lib())) {
            EXPECT_TRUE(before.sources.count(name) || before.old_targets.count(name))
                << "LIB/" << name << " is not ours";
        }

        grow_lib();
        RunResult rerun = run_program(program, folder());
        EXPECT_EQ(rerun.status, 0) << rerun.output;
        EXPECT_EQ(expect_nothing_lost(folder(), lib(), before), 0);
        for (const auto& [name, content] : before.sources)
            EXPECT_TRUE(same_content(read_file(lib() / name), content)) << name;
        EXPECT_EQ(temporaries_in(lib()), std::set<std::string>{});
    }

    ScratchFolder scratch;
    bool mounted = false;
};

TEST_F(FullDisk, OutOfSpaceMidRun)
{
    mount_small_lib("size=1m,nr_inodes=1000");
    if (IsSkipped())
        return;
    Expectation before;
    for (int i = 0; i < 8; ++i) {
        std::string name = "unit" + std::to_string(i) + ".dcu";
        before.sources[name] = content_for(name, 300 * 1024 + static_cast<std::size_t>(i));
    }
    // Replacing an old file needs room for the whole new one next to it.
    before.sources["unit3.dcu"] = content_for("unit3 new", 400 * 1024);
    before.old_targets["unit3.dcu"] = content_for("unit3 old", 500 * 1024);
    before.old_targets["other.dcu"] = content_for("other", 1000);
    for (const auto& [name, content] : before.sources)
        write_file(folder() / name, content);
    for (const auto& [name, content] : before.old_targets)
        write_file(lib() / name, content);

    expect_full_then_finished(before);
}

TEST_F(FullDisk, FileLargerThanTheWholeDisk)
{
    mount_small_lib("size=1m,nr_inodes=1000");
    if (IsSkipped())
        return;
    Expectation before;
    before.sources["huge.dcu"] = content_for("huge", 3 * 1024 * 1024);
    before.sources["small.dcu"] = content_for("small", 100);
    for (const auto& [name, content] : before.sources)
        write_file(folder() / name, content);

    expect_full_then_finished(before);
}

TEST_F(FullDisk, OutOfInodesMidRun)
{
    mount_small_lib("size=8m,nr_inodes=6");
    if (IsSkipped())
        return;
    Expectation before;
    for (int i = 0; i < 12; ++i) {
        std::string name = "tiny" + std::to_string(i) + ".dcu";
        before.sources[name] = content_for(name, 10 + static_cast<std::size_t>(i));
    }
    for (const auto& [name, content] : before.sources)
        write_file(folder() / name, content);

    expect_full_then_finished(before);
}

}  // namespace
