#include "folder_fixture.h"

#include "installer.h"
#include "win32.h"

#include <cstring>

namespace {

class MoveFiles : public DistributionFolder {
protected:
    void SetUp() override
    {
        DistributionFolder::SetUp();
        DWORD length = GetCurrentDirectoryA(499, cur_dir);
        ASSERT_GT(length, 0u);
        ASSERT_LT(length, 499u);
        std::strcpy(base_dir, cur_dir);
    }

    int move() { return move_files("*.dcu", "\\LIB"); }
};

TEST_F(MoveFiles, CreatesLibWhenNothingMatches)
{
    write_file(root / "readme.txt", "text");
    EXPECT_EQ(move(), 0);
    EXPECT_TRUE(fs::is_directory(root / "LIB"));
    EXPECT_TRUE(fs::is_empty(root / "LIB"));
    EXPECT_EQ(entries_of(root), (std::set<std::string>{"LIB", "readme.txt"}));
    EXPECT_EQ(fs::current_path(), root);
}

TEST_F(MoveFiles, MovesEveryMatchUnderItsOwnName)
{
    write_file(root / "a.dcu", "unit a");
    write_file(root / "B.DCU", "unit B");
    write_file(root / "c.Dcu", std::string(300000, 'c'));
    write_file(root / "empty.dcu", "");
    write_file(root / "x.txt", "keep");
    write_file(root / "a.dcu.bak", "keep too");

    EXPECT_EQ(move(), 0);

    EXPECT_EQ(entries_of(root), (std::set<std::string>{"LIB", "x.txt", "a.dcu.bak"}));
    EXPECT_EQ(entries_of(root / "LIB"),
              (std::set<std::string>{"a.dcu", "B.DCU", "c.Dcu", "empty.dcu"}));
    EXPECT_EQ(read_file(root / "LIB" / "a.dcu"), "unit a");
    EXPECT_EQ(read_file(root / "LIB" / "B.DCU"), "unit B");
    EXPECT_EQ(read_file(root / "LIB" / "c.Dcu"), std::string(300000, 'c'));
    EXPECT_EQ(read_file(root / "LIB" / "empty.dcu"), "");
    // The search and the names it gives are relative: we must be back home.
    EXPECT_EQ(fs::current_path(), root);
}

TEST_F(MoveFiles, ReplacesSameNamedFilesAndKeepsOthersInExistingLib)
{
    fs::create_directory(root / "LIB");
    write_file(root / "LIB" / "a.dcu", "old content that is longer than the new");
    write_file(root / "LIB" / "other.dcu", "left alone");
    write_file(root / "a.dcu", "new");
    auto when = fs::last_write_time(root / "a.dcu") - std::chrono::hours(24 * 400);
    fs::last_write_time(root / "a.dcu", when);

    EXPECT_EQ(move(), 0);

    EXPECT_FALSE(fs::exists(root / "a.dcu"));
    EXPECT_EQ(read_file(root / "LIB" / "a.dcu"), "new");
    // Compilers compare unit files by time: the copy keeps the source's.
    EXPECT_EQ(fs::last_write_time(root / "LIB" / "a.dcu"), when);
    EXPECT_EQ(read_file(root / "LIB" / "other.dcu"), "left alone");
}

TEST_F(MoveFiles, LeavesAMatchingFolderWhereItIs)
{
    fs::create_directory(root / "sub.dcu");
    write_file(root / "sub.dcu" / "inner.dcu", "inside");
    write_file(root / "a.dcu", "a");

    EXPECT_EQ(move(), 0);

    EXPECT_EQ(read_file(root / "sub.dcu" / "inner.dcu"), "inside");
    EXPECT_EQ(entries_of(root / "LIB"), (std::set<std::string>{"a.dcu"}));
}

TEST_F(MoveFiles, KeepsAndCountsEverySourceWhenLibIsAFile)
{
    write_file(root / "LIB", "not a folder");
    write_file(root / "a.dcu", "a");
    write_file(root / "b.dcu", "b");

    EXPECT_EQ(move(), 2);

    EXPECT_EQ(read_file(root / "a.dcu"), "a");
    EXPECT_EQ(read_file(root / "b.dcu"), "b");
    EXPECT_EQ(read_file(root / "LIB"), "not a folder");
}

TEST_F(MoveFiles, KeepsAndCountsASourceThatCannotReplaceAFolder)
{
    fs::create_directories(root / "LIB" / "a.dcu");
    write_file(root / "a.dcu", "a");
    write_file(root / "b.dcu", "b");

    EXPECT_EQ(move(), 1);

    EXPECT_EQ(read_file(root / "a.dcu"), "a");
    EXPECT_TRUE(fs::is_directory(root / "LIB" / "a.dcu"));
    EXPECT_EQ(read_file(root / "LIB" / "b.dcu"), "b");
    EXPECT_FALSE(fs::exists(root / "b.dcu"));
}

TEST_F(MoveFiles, SecondRunFindsNothingLeft)
{
    write_file(root / "a.dcu", "a");
    EXPECT_EQ(move(), 0);
    EXPECT_EQ(move(), 0);
    EXPECT_EQ(read_file(root / "LIB" / "a.dcu"), "a");
    EXPECT_EQ(entries_of(root), (std::set<std::string>{"LIB"}));
}

TEST_F(MoveFiles, TargetUnderBaseDirWhileSearchingTheCurrentFolder)
{
    fs::create_directory(root / "dist");
    fs::create_directory(root / "elsewhere");
    write_file(root / "dist" / "a.dcu", "a");
    fs::current_path(root / "dist");
    ASSERT_GT(GetCurrentDirectoryA(499, cur_dir), 0u);
    std::strcpy(base_dir, (root / "elsewhere").string().c_str());

    EXPECT_EQ(move(), 0);

    EXPECT_EQ(read_file(root / "elsewhere" / "LIB" / "a.dcu"), "a");
    EXPECT_FALSE(fs::exists(root / "dist" / "a.dcu"));
    EXPECT_EQ(fs::current_path(), root / "dist");
}

TEST(FailureText, NamesTheCount)
{
    const struct {
        unsigned count;
        const char* text;
    } cases[] = {
        {1, "Brisca installation failed: 1 file(s) could not be moved to LIB."},
        {2, "Brisca installation failed: 2 file(s) could not be moved to LIB."},
        {10, "Brisca installation failed: 10 file(s) could not be moved to LIB."},
        {4294967295u, "Brisca installation failed: 4294967295 file(s) could not be moved to LIB."},
    };
    for (const auto& c : cases) {
        char text[80];
        format_failure_text(text, sizeof text, c.count);
        EXPECT_STREQ(text, c.text);
    }
}

TEST(FailureText, NeverWritesPastItsBuffer)
{
    char text[16];
    std::memset(text, 'X', sizeof text);
    format_failure_text(text, 10, 7);
    EXPECT_STREQ(text, "Brisca in");
    EXPECT_EQ(text[10], 'X');
}

}  // namespace
