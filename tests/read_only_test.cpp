// Files carrying the read-only attribute, on the Windows build: whatever the
// system refuses to replace or delete stays where it is, whole, and is counted.
#include "installer_folder.h"

#include "installer.h"
#include "win32.h"

#include <cstdlib>
#include <cstring>

namespace {

bool is_read_only(const fs::path& path)
{
    DWORD attributes = GetFileAttributesA(path.string().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

class ReadOnlyFiles : public InstallerFolder {
protected:
    void SetUp() override
    {
        InstallerFolder::SetUp();
        fs::create_directory(root / "LIB");
    }

    void TearDown() override
    {
        // Windows refuses to delete a read-only file, so remove_all would stop.
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(root, ignored))
            SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
        InstallerFolder::TearDown();
    }

    static void make_read_only(const fs::path& path)
    {
        ASSERT_TRUE(SetFileAttributesA(path.string().c_str(), FILE_ATTRIBUTE_READONLY)) << path;
        ASSERT_TRUE(is_read_only(path)) << path;
    }

    // Windows refuses to open a read-only file for writing. Wine maps the
    // attribute to the Unix write bits, which do not stop root: there a
    // read-only file in LIB is replaced like any other.
    bool writes_to_read_only_files_refused()
    {
        fs::path probe = root / "probe.txt";
        write_file(probe, "probe");
        make_read_only(probe);
        HANDLE file = CreateFileA(probe.string().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        bool refused = file == INVALID_HANDLE_VALUE;
        if (!refused)
            CloseHandle(file);
        SetFileAttributesA(probe.string().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove(probe);
        // Set where the suite runs as an ordinary user, so that the refusing
        // case cannot quietly turn into the other one.
        if (std::getenv("INSTALL_EXPECT_READ_ONLY_REFUSED")) {
            EXPECT_TRUE(refused) << "a read-only file was opened for writing";
        }
        RecordProperty("read_only_refuses_writes", refused ? "yes" : "no");
        return refused;
    }

    int move() { return move_files("*.dcu", "\\LIB"); }
};

TEST_F(ReadOnlyFiles, ReadOnlyFileInLibIsKeptWithItsSourceWhereItCannotBeReplaced)
{
    write_file(root / "LIB" / "a.dcu", "unit a, old and longer");
    make_read_only(root / "LIB" / "a.dcu");
    write_file(root / "a.dcu", "unit a, new");
    write_file(root / "b.dcu", "unit b");
    bool refused = writes_to_read_only_files_refused();
    SCOPED_TRACE(refused ? "read-only files refuse writes" : "read-only files accept writes");

    int failed = move();

    // The other file is moved whatever happens to the blocked one.
    EXPECT_EQ(read_file(root / "LIB" / "b.dcu"), "unit b");
    EXPECT_FALSE(fs::exists(root / "b.dcu"));
    if (refused) {
        EXPECT_EQ(failed, 1);
        EXPECT_EQ(read_file(root / "a.dcu"), "unit a, new");
        EXPECT_EQ(read_file(root / "LIB" / "a.dcu"), "unit a, old and longer");
        EXPECT_TRUE(is_read_only(root / "LIB" / "a.dcu"));
    } else {
        EXPECT_EQ(failed, 0);
        EXPECT_FALSE(fs::exists(root / "a.dcu"));
        EXPECT_EQ(read_file(root / "LIB" / "a.dcu"), "unit a, new");
    }
    EXPECT_EQ(entries_of(root / "LIB"), (std::set<std::string>{"a.dcu", "b.dcu"}));
}

TEST_F(ReadOnlyFiles, ReadOnlySourceIsCopiedKeptAndCountedOnEveryRun)
{
    const std::string unit(100000, 'a');
    write_file(root / "a.dcu", unit);
    make_read_only(root / "a.dcu");
    write_file(root / "b.dcu", "unit b");

    // The copy succeeds, the delete is refused: the move is not complete.
    EXPECT_EQ(move(), 1);

    EXPECT_EQ(read_file(root / "a.dcu"), unit);
    EXPECT_TRUE(is_read_only(root / "a.dcu"));
    EXPECT_EQ(read_file(root / "LIB" / "a.dcu"), unit);
    // The copy takes the source's attributes, read-only included, so a later
    // install that brings a newer a.dcu is refused on Windows.
    EXPECT_TRUE(is_read_only(root / "LIB" / "a.dcu"));
    EXPECT_EQ(read_file(root / "LIB" / "b.dcu"), "unit b");
    EXPECT_FALSE(fs::exists(root / "b.dcu"));

    // Running again neither loses the file nor calls the job done.
    EXPECT_EQ(move(), 1);

    EXPECT_EQ(read_file(root / "a.dcu"), unit);
    EXPECT_EQ(read_file(root / "LIB" / "a.dcu"), unit);
    EXPECT_EQ(entries_of(root), (std::set<std::string>{"LIB", "a.dcu"}));
    EXPECT_EQ(entries_of(root / "LIB"), (std::set<std::string>{"a.dcu", "b.dcu"}));
}

}  // namespace
