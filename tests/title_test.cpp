#include "messages.h"

#include <gtest/gtest.h>

namespace {

struct TitleCase {
    const char* command_line;
    const char* title;
};

TEST(Title, TakenFromTheProgramsPathOnTheCommandLine)
{
    const TitleCase cases[] = {
        {"\"D:\\dist\\install.exe\" ", "install.exe"},
        {"D:\\dist\\install.exe", "install.exe"},
        {"\"D:\\dist\\install.exe\"", "install.exe"},
        {"\"D:\\dist\\install.exe\" /q", "install.exe\" /q"},
        {"\"D:\\dist\\install.exe\" D:\\target\\libs", "libs"},
        {"install.exe", "install.exe"},
        {"\\work\\dist\\install", "install"},
        // A leading number is skipped, as a conversion of it would stop there.
        {"12setup.exe", "setup.exe"},
        {"  -7setup.exe", "setup.exe"},
        {"+", "+"},
        {"99999999999999999999999x.exe", "x.exe"},
        {"0x1F.exe", "x1F.exe"},
        // Nothing usable after the last backslash.
        {"D:\\dist\\", "Error"},
        {"D:\\dist\\ ", "Error"},
        {"D:\\dist\\\"", "Error"},
        {"D:\\dist\\\" ", "Error"},
        {"", "Error"},
        {"42", "Error"},
        // Only one space, then only one quote, are trimmed.
        {"D:\\dist\\a  ", "a "},
        {"D:\\dist\\a\"\"", "a\""},
        {"D:\\dist\\a \"", "a "},
    };
    for (const TitleCase& c : cases) {
        char title[title_capacity + 1];
        title_from_command_line(c.command_line, title);
        EXPECT_STREQ(title, c.title) << "command line: " << c.command_line;
    }
}

TEST(Title, CutsLongNamesAt32BytesAndTrimsThe32nd)
{
    char title[title_capacity + 1];
    title_from_command_line("C:\\a_very_long_installer_file_name_indeed.exe", title);
    EXPECT_STREQ(title, "a_very_long_installer_file_name_");

    // The 32nd byte is a space; the quote after it was cut off already.
    title_from_command_line("\"C:\\dist\\0123456789012345678901234567890 \"", title);
    EXPECT_STREQ(title, "0123456789012345678901234567890");

    title_from_command_line("\"C:\\dist\\012345678901234567890123456789\" ", title);
    EXPECT_STREQ(title, "012345678901234567890123456789");
}

}  // namespace
