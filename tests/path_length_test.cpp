// The program's fixed buffers against long paths, run in real deep folders:
// the working folder read with a limit of 499 characters, and target names
// of up to 512 characters with the terminator. Writes past a buffer show up
// in the sanitizer build; here every file must stay whole and the message
// must say what happened.
#include "campaign_support.h"

namespace {

using namespace campaign;

const char* const program = INSTALL_PROGRAM;

const std::string unreadable_text =
    "Brisca installation failed: the current folder could not be read.";

// A folder under `root` whose full path is exactly `length` characters.
fs::path folder_of_length(const fs::path& root, std::size_t length)
{
    fs::create_directory(root);
    std::string path = root.string();
    if (path.size() + 2 > length)
        throw std::runtime_error("scratch root too long");
    while (path.size() < length) {
        std::size_t room = length - path.size() - 1;  // after the slash
        // Never leave a remainder too short for one more component.
        std::size_t component = room > 200 ? (room - 200 >= 2 ? 200 : room - 2) : room;
        path += "/" + std::string(component, 'd');
        fs::create_directory(path);
    }
    return path;
}

class PathLength : public ::testing::Test {
protected:
    ScratchFolder scratch;
};

struct FolderCase {
    std::size_t length;
    bool readable;
};

// GetCurrentDirectoryA(499, ...) takes 498 characters and the terminator.
const FolderCase folder_cases[] = {{497, true}, {498, true}, {499, false}, {500, false}};

TEST_F(PathLength, WorkingFolderAroundTheLimit)
{
    for (const FolderCase& c : folder_cases) {
        SCOPED_TRACE("working folder of " + std::to_string(c.length) + " characters");
        fs::path folder = folder_of_length(scratch.path() / std::to_string(c.length), c.length);
        ASSERT_EQ(folder.string().size(), c.length);
        const std::string content = content_for("short", 3000);
        write_file(folder / "a.dcu", content);

        RunResult run = run_program(program, folder);

        if (c.readable) {
            EXPECT_EQ(run.status, 0) << run.output;
            EXPECT_NE(run.output.find("Brisca successfully installed!"), std::string::npos);
            EXPECT_TRUE(same_content(read_file(folder / "LIB" / "a.dcu"), content));
            EXPECT_FALSE(exists_no_follow(folder / "a.dcu"));
        } else {
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.output.find(unreadable_text), std::string::npos) << run.output;
            EXPECT_TRUE(same_content(read_file(folder / "a.dcu"), content));
            EXPECT_FALSE(exists_no_follow(folder / "LIB")) << "nothing should have been done";
        }
    }
}

// The target name is the folder, "\LIB\" and the file name: 511 characters
// at most, so the longest name that fits is 506 minus the folder's length.
struct NameCase {
    std::size_t folder_length;
    std::size_t longest_name;
};

const NameCase name_cases[] = {
    {498, 8},    // the deepest readable folder: "abcd.dcu" fits, "abcde.dcu" does not
    {400, 106},
    {252, 254},  // one more would be 255, Linux's longest name
};

TEST_F(PathLength, TargetNamesThatJustFitAndJustDoNot)
{
    for (const NameCase& c : name_cases) {
        SCOPED_TRACE("folder of " + std::to_string(c.folder_length) + " characters");
        fs::path folder =
            folder_of_length(scratch.path() / std::to_string(c.folder_length), c.folder_length);
        std::string fits = std::string(c.longest_name - 4, 'f') + ".dcu";
        std::string too_long = std::string(c.longest_name - 3, 'L') + ".dcu";
        ASSERT_EQ(folder.string().size() + 5 + fits.size(), 511u);
        Expectation before;
        before.sources[fits] = content_for("fits", 5000);
        before.sources[too_long] = content_for("too long", 6000);
        before.sources["x.dcu"] = content_for("x", 10);
        for (const auto& [name, content] : before.sources)
            write_file(folder / name, content);

        RunResult run = run_program(program, folder);

        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.output.find(failure_text(1)), std::string::npos) << run.output;
        EXPECT_EQ(expect_nothing_lost(folder, folder / "LIB", before), 1);
        EXPECT_TRUE(same_content(read_file(folder / too_long), before.sources[too_long]));
        EXPECT_TRUE(same_content(read_file(folder / "LIB" / fits), before.sources[fits]));
        EXPECT_EQ(temporaries_in(folder / "LIB"), std::set<std::string>{});
    }
}

}  // namespace
