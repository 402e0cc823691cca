// What a distribution folder may hold besides plain files, run through the
// built program: nothing that is not a regular file (or a link to one) is
// moved, changed or allowed to stall the run, and every entry that matched
// but stayed is reported.
#include "campaign_support.h"

#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

namespace {

using namespace campaign;

const char* const program = INSTALL_PROGRAM;

struct EntryState {
    mode_t type;
    std::string link_target;
    std::optional<std::string> content;
    bool operator==(const EntryState& other) const
    {
        return type == other.type && link_target == other.link_target && content == other.content;
    }
};

EntryState state_of(const fs::path& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return {0, "", std::nullopt};
    EntryState state{static_cast<mode_t>(st.st_mode & S_IFMT), "", std::nullopt};
    if (S_ISLNK(st.st_mode))
        state.link_target = fs::read_symlink(path).string();
    if (S_ISREG(st.st_mode))
        state.content = read_file(path);
    return state;
}

void make_socket(const fs::path& path)
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.string().size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0)
        << std::strerror(errno);
    ::close(fd);
}

struct StayingEntry {
    const char* what;
    const char* name;
    std::function<void(const fs::path&)> make;
};

// Each of these matches the pattern, cannot be moved as a file, and must be
// left exactly as it was and counted as not moved.
const StayingEntry staying_entries[] = {
    {"a FIFO nobody writes to", "pipe.dcu",
     [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }},
    {"a socket", "socket.dcu", make_socket},
    {"a link to an endless device", "zero.dcu",
     [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }},
    {"a link to a terminal", "tty.dcu", [](const fs::path& p) { fs::create_symlink("/dev/tty", p); }},
    {"a link whose target is gone", "dangling.dcu",
     [](const fs::path& p) { fs::create_symlink("gone.bin", p); }},
    {"a link to itself", "loop.dcu", [](const fs::path& p) { fs::create_symlink("loop.dcu", p); }},
    {"a name holding a backslash", "no\\such.dcu",
     [](const fs::path& p) { write_file(p, "backslash"); }},
};

class HostileEntries : public ::testing::Test {
protected:
    fs::path folder() const { return scratch.path() / "dist"; }
    fs::path lib() const { return folder() / "LIB"; }
    void SetUp() override { fs::create_directory(folder()); }
    ScratchFolder scratch;
};

TEST_F(HostileEntries, EntriesThatAreNotFilesStayUntouchedAndAreReported)
{
    for (const StayingEntry& entry : staying_entries) {
        SCOPED_TRACE(entry.what);
        fs::remove_all(folder());
        fs::create_directory(folder());
        const std::string good = content_for("good", 70000);
        write_file(folder() / "good.dcu", good);
        entry.make(folder() / entry.name);
        EntryState before = state_of(folder() / entry.name);

        RunResult run = run_program(program, folder());

        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.output.find(failure_text(1)), std::string::npos) << run.output;
        EXPECT_TRUE(state_of(folder() / entry.name) == before) << "the entry was changed";
        EXPECT_TRUE(same_content(read_file(lib() / "good.dcu"), good));
        EXPECT_FALSE(exists_no_follow(folder() / "good.dcu"));
        EXPECT_EQ(names_in(lib()), std::set<std::string>{"good.dcu"});
    }
}

TEST_F(HostileEntries, CharacterDeviceStaysUntouched)
{
    if (::mknod((folder() / "null.dcu").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
    RunResult run = run_program(program, folder());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find(failure_text(1)), std::string::npos) << run.output;
    EXPECT_EQ(state_of(folder() / "null.dcu").type, static_cast<mode_t>(S_IFCHR));
    EXPECT_EQ(names_in(lib()), std::set<std::string>{});
}

// Folders and links to folders are skipped like on Windows: not moved, not a
// failure.
TEST_F(HostileEntries, FoldersAndLinksToFoldersAreSkipped)
{
    fs::create_directory(folder() / "units.dcu");
    write_file(folder() / "units.dcu" / "inner.dcu", "inner");
    fs::create_directory(scratch.path() / "elsewhere");
    fs::create_directory_symlink(scratch.path() / "elsewhere", folder() / "linked.dcu");
    fs::create_directory_symlink(".", folder() / "here.dcu");

    RunResult run = run_program(program, folder());

    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Brisca successfully installed!"), std::string::npos);
    EXPECT_EQ(read_file(folder() / "units.dcu" / "inner.dcu").value_or(""), "inner");
    EXPECT_TRUE(fs::is_symlink(folder() / "linked.dcu"));
    EXPECT_TRUE(fs::is_symlink(folder() / "here.dcu"));
    EXPECT_EQ(names_in(lib()), std::set<std::string>{});
}

// A link to a file is moved as the file it leads to: LIB gets the content,
// the link goes, the file it pointed at stays.
TEST_F(HostileEntries, LinkToAFileMovesItsContent)
{
    fs::create_directory(scratch.path() / "outside");
    const std::string real = content_for("real", 123457);
    write_file(scratch.path() / "outside" / "real.bin", real);
    fs::create_symlink("../outside/real.bin", folder() / "link.dcu");

    RunResult run = run_program(program, folder());

    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(state_of(lib() / "link.dcu").type, static_cast<mode_t>(S_IFREG));
    EXPECT_TRUE(same_content(read_file(lib() / "link.dcu"), real));
    EXPECT_FALSE(exists_no_follow(folder() / "link.dcu"));
    EXPECT_TRUE(same_content(read_file(scratch.path() / "outside" / "real.bin"), real));
}

TEST_F(HostileEntries, AwkwardNamesAreMoved)
{
    const std::string names[] = {
        "with space.dcu",
        " leading and trailing space .dcu",
        "-rf.dcu",
        "--help.dcu",
        "\xc3\xbc" "n" "\xc3\xaf" "c" "\xc3\xb6" "d" "\xc3\xa9.dcu",  // UTF-8
        "\xe9t\xe9.dcu",                            // Latin-1, not valid UTF-8
        "line\nbreak.dcu",
        "*.dcu",
        "?.dcu",
        "quote\".dcu",
        std::string(251, 'n') + ".dcu",  // 255 bytes, the longest name Linux allows
    };
    Expectation before;
    for (const std::string& name : names) {
        before.sources[name] = content_for(name, name.size() * 37);
        write_file(folder() / name, before.sources[name]);
    }

    RunResult run = run_program(program, folder());

    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(expect_nothing_lost(folder(), lib(), before), 0);
    for (const std::string& name : names)
        EXPECT_TRUE(same_content(read_file(lib() / name), before.sources[name])) << name;
}

// A target that is the source itself, by whatever road: replacing it would
// destroy the source, so the file stays and the run says so.
struct SameFileCase {
    const char* what;
    std::function<void(const fs::path& folder)> arrange;
};

const SameFileCase same_file_cases[] = {
    {"LIB holds a hard link to the source",
     [](const fs::path& f) {
         fs::create_directory(f / "LIB");
         fs::create_hard_link(f / "a.dcu", f / "LIB" / "a.dcu");
     }},
    {"LIB holds a link to the source",
     [](const fs::path& f) {
         fs::create_directory(f / "LIB");
         fs::create_symlink("../a.dcu", f / "LIB" / "a.dcu");
     }},
    {"LIB is a link to the folder itself",
     [](const fs::path& f) { fs::create_directory_symlink(".", f / "LIB"); }},
    {"LIB is a link to the folder by its full path",
     [](const fs::path& f) { fs::create_directory_symlink(f, f / "LIB"); }},
};

TEST_F(HostileEntries, SourceThatIsItsOwnTargetStays)
{
    for (const SameFileCase& same : same_file_cases) {
        SCOPED_TRACE(same.what);
        fs::remove_all(folder());
        fs::create_directory(folder());
        const std::string content = content_for("same", 99999);
        write_file(folder() / "a.dcu", content);
        same.arrange(folder());

        RunResult run = run_program(program, folder());

        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.output.find(failure_text(1)), std::string::npos) << run.output;
        EXPECT_TRUE(same_content(read_file(folder() / "a.dcu"), content));
        EXPECT_EQ(temporaries_in(folder()), std::set<std::string>{});
    }
}

struct LibCase {
    const char* what;
    std::function<void(const fs::path& folder, const fs::path& scratch)> arrange;
    bool moves;  // whether the files can go anywhere
};

const LibCase lib_cases[] = {
    {"LIB is a plain file",
     [](const fs::path& f, const fs::path&) { write_file(f / "LIB", "not a folder"); }, false},
    {"LIB is a link whose target is gone",
     [](const fs::path& f, const fs::path&) { fs::create_symlink("nowhere", f / "LIB"); }, false},
    {"LIB is a link to a file",
     [](const fs::path& f, const fs::path&) {
         write_file(f / "notes.txt", "notes");
         fs::create_symlink("notes.txt", f / "LIB");
     },
     false},
    {"LIB is a link to a folder elsewhere",
     [](const fs::path& f, const fs::path& s) {
         fs::create_directory(s / "shared");
         fs::create_directory_symlink(s / "shared", f / "LIB");
     },
     true},
    {"LIB holds a folder under a source's name",
     [](const fs::path& f, const fs::path&) { fs::create_directories(f / "LIB" / "b.dcu"); },
     false},
};

TEST_F(HostileEntries, OddLibFolders)
{
    for (const LibCase& lib_case : lib_cases) {
        SCOPED_TRACE(lib_case.what);
        fs::remove_all(folder());
        fs::remove_all(scratch.path() / "shared");
        fs::create_directory(folder());
        Expectation before;
        before.sources["b.dcu"] = content_for("b", 4096);
        write_file(folder() / "b.dcu", before.sources["b.dcu"]);
        lib_case.arrange(folder(), scratch.path());
        EntryState lib_before = state_of(lib());

        RunResult run = run_program(program, folder());

        int left = 0;
        for (const auto& [name, content] : before.sources) {
            if (read_file(folder() / name) == content) {
                ++left;
            } else {
                EXPECT_TRUE(same_content(read_file(lib() / name), content)) << name;
            }
        }
        if (lib_case.moves) {
            EXPECT_EQ(run.status, 0) << run.output;
            EXPECT_EQ(left, 0);
        } else {
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.output.find(failure_text(1)), std::string::npos) << run.output;
            EXPECT_EQ(left, 1);
            if (lib_before.type != S_IFDIR) {
                EXPECT_TRUE(state_of(lib()) == lib_before) << "LIB was changed";
            }
        }
        EXPECT_EQ(temporaries_in(folder()), std::set<std::string>{});
    }
}

}  // namespace
