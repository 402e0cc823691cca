#include "folder_fixture.h"

#include "posix/process.h"
#include "posix/syscalls.h"
#include "win32.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using PosixLayer = DistributionFolder;

TEST_F(PosixLayer, CurrentDirectoryHonoursTheBufferLength)
{
    const std::string expected = [&] {
        std::string s = root.string();
        for (char& c : s)
            if (c == '/')
                c = '\\';
        return s;
    }();
    const DWORD length = static_cast<DWORD>(expected.size());

    char buffer[600];
    EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), length);
    EXPECT_EQ(std::string(buffer), expected);

    // Exactly enough room for the terminator still fits; one less does not,
    // and then the buffer is left as it was.
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ(GetCurrentDirectoryA(length + 1, buffer), length);
    EXPECT_EQ(std::string(buffer), expected);
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ(GetCurrentDirectoryA(length, buffer), length + 1);
    EXPECT_EQ(buffer[0], 'X');
    EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), length + 1);
}

TEST_F(PosixLayer, CurrentDirectoryWithABackslashInItsNameCannotBeRead)
{
    fs::create_directory(root / "a\\b");
    fs::current_path(root / "a\\b");
    char buffer[600] = "untouched";
    EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_STREQ(buffer, "untouched");
}

TEST_F(PosixLayer, DirectoriesAcceptBothSeparators)
{
    EXPECT_TRUE(CreateDirectoryA("one", nullptr));
    EXPECT_FALSE(CreateDirectoryA("one", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(CreateDirectoryA("one\\two", nullptr));
    EXPECT_TRUE(CreateDirectoryA("one/two/three", nullptr));
    EXPECT_TRUE(SetCurrentDirectoryA("one\\two\\three"));
    EXPECT_EQ(fs::current_path(), root / "one" / "two" / "three");
    EXPECT_TRUE(SetCurrentDirectoryA(root.string().c_str()));

    write_file(root / "file", "x");
    EXPECT_FALSE(SetCurrentDirectoryA("file"));
    EXPECT_FALSE(SetCurrentDirectoryA("missing"));
    EXPECT_EQ(fs::current_path(), root);

    EXPECT_TRUE(DeleteFileA("file"));
    EXPECT_FALSE(DeleteFileA("file"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileA("one"));
    EXPECT_TRUE(fs::exists(root / "one"));
}

TEST_F(PosixLayer, FindMatchesWithoutRegardToCaseAndMarksFolders)
{
    write_file(root / "a.dcu", "");
    write_file(root / "B.DCU", "");
    write_file(root / "c.txt", "");
    fs::create_directory(root / "sub.dcu");
    fs::create_directory_symlink(root / "sub.dcu", root / "link.dcu");
    fs::create_symlink(root / "a.dcu", root / "file-link.dcu");

    std::map<std::string, DWORD> found;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA("*.dcu", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do
        found[data.cFileName] = data.dwFileAttributes;
    while (FindNextFileA(search, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(search));

    const std::map<std::string, DWORD> expected = {
        {"a.dcu", FILE_ATTRIBUTE_NORMAL},
        {"B.DCU", FILE_ATTRIBUTE_NORMAL},
        {"sub.dcu", FILE_ATTRIBUTE_DIRECTORY},
        {"link.dcu", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT},
        {"file-link.dcu", FILE_ATTRIBUTE_REPARSE_POINT},
    };
    EXPECT_EQ(found, expected);
}

TEST_F(PosixLayer, FindTellsNoMatchFromAFolderThatCannotBeRead)
{
    WIN32_FIND_DATAA data;
    EXPECT_EQ(FindFirstFileA("*.dcu", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA("missing\\*.dcu", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    fs::create_directory(root / "sub");
    write_file(root / "sub" / "y.dcu", "");
    HANDLE search = FindFirstFileA("sub/*.DCU", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "y.dcu");
    EXPECT_FALSE(FindNextFileA(search, &data));
    FindClose(search);
}

TEST_F(PosixLayer, CopyKeepsContentModeAndTimes)
{
    write_file(root / "a.dcu", "content");
    ASSERT_EQ(chmod("a.dcu", 0640), 0);
    const struct timespec times[2] = {{1000000000, 5}, {1200000000, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, "a.dcu", times, 0), 0);

    ASSERT_TRUE(CopyFileA("a.dcu", "b.dcu", FALSE));

    struct stat copy;
    ASSERT_EQ(stat("b.dcu", &copy), 0);
    EXPECT_EQ(read_file(root / "b.dcu"), "content");
    EXPECT_EQ(copy.st_mode & 07777, 0640u);
    EXPECT_EQ(copy.st_mtim.tv_sec, times[1].tv_sec);
    EXPECT_EQ(copy.st_mtim.tv_nsec, times[1].tv_nsec);
    EXPECT_EQ(entries_of(root), (std::set<std::string>{"a.dcu", "b.dcu"}));
}

TEST_F(PosixLayer, CopyReplacesOnlyWhenAsked)
{
    write_file(root / "a.dcu", "new");
    write_file(root / "b.dcu", "old");
    EXPECT_FALSE(CopyFileA("a.dcu", "b.dcu", TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_EQ(read_file(root / "b.dcu"), "old");
    EXPECT_TRUE(CopyFileA("a.dcu", "b.dcu", FALSE));
    EXPECT_EQ(read_file(root / "b.dcu"), "new");
    EXPECT_TRUE(CopyFileA("a.dcu", "c.dcu", TRUE));
    EXPECT_EQ(read_file(root / "c.dcu"), "new");
    EXPECT_EQ(entries_of(root), (std::set<std::string>{"a.dcu", "b.dcu", "c.dcu"}));
}

TEST_F(PosixLayer, CopyRefusesToReplaceTheSourceItself)
{
    write_file(root / "a.dcu", "precious");
    fs::create_directory(root / "LIB");
    fs::create_hard_link(root / "a.dcu", root / "LIB" / "a.dcu");
    fs::create_directory_symlink(root, root / "SELF");

    EXPECT_FALSE(CopyFileA("a.dcu", "a.dcu", FALSE));
    EXPECT_FALSE(CopyFileA("a.dcu", "LIB\\a.dcu", FALSE));
    EXPECT_FALSE(CopyFileA("a.dcu", "SELF\\a.dcu", FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(read_file(root / "a.dcu"), "precious");
}

TEST_F(PosixLayer, CopyRefusesWhatIsNotARegularFileWithoutBlocking)
{
    ASSERT_EQ(mkfifo("pipe.dcu", 0600), 0);
    fs::create_directory(root / "dir.dcu");
    fs::create_symlink(root / "gone", root / "dangling.dcu");

    EXPECT_FALSE(CopyFileA("pipe.dcu", "out1", FALSE));
    EXPECT_FALSE(CopyFileA("dir.dcu", "out2", FALSE));
    EXPECT_FALSE(CopyFileA("dangling.dcu", "out3", FALSE));
    EXPECT_FALSE(CopyFileA("missing.dcu", "out4", FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(entries_of(root), (std::set<std::string>{"pipe.dcu", "dir.dcu", "dangling.dcu"}));
}

TEST_F(PosixLayer, CopyThatFailsMidwayLeavesTheTargetAsItWas)
{
    write_file(root / "a.dcu", std::string(1 << 20, 'n'));
    write_file(root / "b.dcu", "old");
    posix_syscalls.copy_file_range = [](int, off_t*, int, off_t*, size_t, unsigned) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    const BOOL copied = CopyFileA("a.dcu", "b.dcu", FALSE);
    posix_syscalls = posix_system_calls;

    EXPECT_FALSE(copied);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(read_file(root / "b.dcu"), "old");
    EXPECT_EQ(entries_of(root), (std::set<std::string>{"a.dcu", "b.dcu"}));
}

TEST_F(PosixLayer, CopyFallsBackToReadAndWriteWhereTheKernelCannotCopy)
{
    const std::string content(300000, 'r');
    write_file(root / "a.dcu", content);
    posix_syscalls.copy_file_range = [](int, off_t*, int, off_t*, size_t, unsigned) -> ssize_t {
        errno = EXDEV;
        return -1;
    };
    const BOOL copied = CopyFileA("a.dcu", "b.dcu", FALSE);
    posix_syscalls = posix_system_calls;

    EXPECT_TRUE(copied);
    EXPECT_EQ(read_file(root / "b.dcu"), content);
}

// The ways a finished copy can be given its name, from the most direct down
// to a temporary name of our own, each one forced by refusing those above it.
struct NamingRoad {
    const char* name;
    bool refuse_empty_path;  // as for an unprivileged process on older kernels
    bool refuse_proc;        // as with /proc not mounted
    bool refuse_unnamed;     // as on a file system without O_TMPFILE
    const char* named_by;    // how the successful link reached the copy, when that is
                             // fixed: a refusal met earlier in the process is remembered
};

void PrintTo(const NamingRoad& road, std::ostream* out)
{
    *out << road.name;
}

NamingRoad road;
std::string named_by;

int road_open(const char* path, int flags, mode_t mode)
{
    if (road.refuse_unnamed && (flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return posix_system_calls.open(path, flags, mode);
}

int road_linkat(int old_dir, const char* old_path, int new_dir, const char* new_path, int flags)
{
    const bool empty_path = (flags & AT_EMPTY_PATH) != 0;
    const bool proc = std::strncmp(old_path, "/proc/", 6) == 0;
    if ((empty_path && road.refuse_empty_path) || (proc && road.refuse_proc)) {
        errno = ENOENT;
        return -1;
    }
    int result = posix_system_calls.linkat(old_dir, old_path, new_dir, new_path, flags);
    if (result == 0)
        named_by = empty_path ? "empty path" : proc ? "proc" : "temporary name";
    return result;
}

// A copy made under a temporary name gets the final name by a rename.
int road_rename(const char* old_path, const char* new_path)
{
    int result = posix_system_calls.rename(old_path, new_path);
    if (result == 0 && named_by.empty())
        named_by = "temporary name";
    return result;
}

class CopyNaming : public DistributionFolder, public ::testing::WithParamInterface<NamingRoad> {
protected:
    void SetUp() override
    {
        DistributionFolder::SetUp();
        road = GetParam();
        named_by.clear();
        posix_syscalls.open = road_open;
        posix_syscalls.linkat = road_linkat;
        posix_syscalls.rename = road_rename;
        write_file(root / "a.dcu", "new");
        ASSERT_EQ(chmod("a.dcu", 0604), 0);
        fs::create_directory(root / "LIB");
    }

    void TearDown() override
    {
        posix_syscalls = posix_system_calls;
        DistributionFolder::TearDown();
    }
};

TEST_P(CopyNaming, CreatesOrReplacesAndLeavesNothingBehind)
{
    ASSERT_TRUE(CopyFileA("a.dcu", "LIB\\a.dcu", FALSE));
    if (GetParam().named_by != nullptr) {
        EXPECT_EQ(named_by, GetParam().named_by);
    }
    write_file(root / "LIB" / "b.dcu", "old");
    ASSERT_TRUE(CopyFileA("a.dcu", "LIB\\b.dcu", FALSE));

    for (const char* name : {"a.dcu", "b.dcu"}) {
        struct stat copy;
        ASSERT_EQ(stat((root / "LIB" / name).c_str(), &copy), 0);
        EXPECT_EQ(copy.st_mode & 07777, 0604u) << name;
        EXPECT_EQ(read_file(root / "LIB" / name), "new") << name;
    }
    EXPECT_EQ(entries_of(root / "LIB"), (std::set<std::string>{"a.dcu", "b.dcu"}));
}

TEST_P(CopyNaming, RefusesToReplaceTheSourceOrAFolder)
{
    fs::create_hard_link(root / "a.dcu", root / "LIB" / "a.dcu");
    fs::create_directory(root / "LIB" / "b.dcu");

    EXPECT_FALSE(CopyFileA("a.dcu", "LIB\\a.dcu", FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(CopyFileA("a.dcu", "LIB\\b.dcu", FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    EXPECT_EQ(read_file(root / "a.dcu"), "new");
    EXPECT_TRUE(fs::is_directory(root / "LIB" / "b.dcu"));
    EXPECT_EQ(entries_of(root / "LIB"), (std::set<std::string>{"a.dcu", "b.dcu"}));
}

INSTANTIATE_TEST_SUITE_P(
    Roads, CopyNaming,
    ::testing::Values(NamingRoad{"Direct", false, false, false, nullptr},
                      NamingRoad{"Proc", true, false, false, "proc"},
                      NamingRoad{"TemporaryNameWithoutProc", true, true, false, "temporary name"},
                      NamingRoad{"TemporaryNameWithoutUnnamedFiles", false, false, true,
                                 "temporary name"}),
    [](const ::testing::TestParamInfo<NamingRoad>& info) { return std::string(info.param.name); });

TEST(CommandLine, ShowsTheProgramPathTheWindowsWay)
{
    const struct {
        std::vector<const char*> argv;
        const char* line;
        const char* tail;
    } cases[] = {
        {{"./install"}, ".\\install", ""},
        {{"/opt/dist/install", "/q"}, "\\opt\\dist\\install /q", "/q"},
        {{"/my dist/install", "a b", ""}, "\"\\my dist\\install\" \"a b\" \"\"", "\"a b\" \"\""},
        {{"install", "C:\\target\\libs"}, "install C:\\target\\libs", "C:\\target\\libs"},
    };
    for (const auto& c : cases) {
        std::vector<char*> argv;
        for (const char* a : c.argv)
            argv.push_back(const_cast<char*>(a));
        const char* tail = posix_set_command_line(static_cast<int>(argv.size()), argv.data());
        EXPECT_STREQ(GetCommandLineA(), c.line);
        EXPECT_STREQ(tail, c.tail);
    }
}

}  // namespace
