#include "windows_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct MatchCase {
    const char* pattern;
    const char* name;
    bool matches;
};

TEST(WildcardMatch, FollowsWindowsFileNameRules)
{
    const MatchCase cases[] = {
        {"*.dcu", "a.dcu", true},
        {"*.dcu", "A.DCU", true},
        {"*.dcu", "Brisca.Core.Dcu", true},
        {"*.dcu", ".dcu", true},
        {"*.dcu", "a.dcu.bak", false},
        {"*.dcu", "a.dc", false},
        {"*.dcu", "adcu", false},
        {"*.dcu", "", false},
        {"*", "", true},
        {"*", "anything", true},
        {"?.dcu", "a.dcu", true},
        {"?.dcu", "ab.dcu", false},
        {"?.dcu", ".dcu", false},
        {"a*b*c", "aXbYc", true},
        {"a*b*c", "abcbc", true},
        {"a*b*c", "acb", false},
        {"**.dcu", "x.dcu", true},
        {"*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
        {"\xc3\xa9*.dcu", "\xc3\xa9t\xc3\xa9.dcu", true},
        {"\xc3\xa9*.dcu", "\xc3\x89t\xc3\xa9.dcu", false},
    };
    for (const MatchCase& c : cases)
        EXPECT_EQ(wildcard_match(c.pattern, c.name), c.matches)
            << "pattern \"" << c.pattern << "\" name \"" << c.name << '"';
}

TEST(PathConversion, SwapsSeparatorsBothWays)
{
    char out[32];
    ASSERT_TRUE(to_posix_path("\\work\\dist\\LIB", out, sizeof out));
    EXPECT_STREQ(out, "/work/dist/LIB");
    ASSERT_TRUE(to_posix_path("LIB/a.dcu", out, sizeof out));
    EXPECT_STREQ(out, "LIB/a.dcu");
    ASSERT_TRUE(to_windows_path("/work/dist", out, sizeof out));
    EXPECT_STREQ(out, "\\work\\dist");
}

TEST(PathConversion, RefusesWhatCannotComeBackUnchanged)
{
    char out[8];
    // A backslash inside a POSIX name would come back as a separator.
    EXPECT_FALSE(to_windows_path("/tmp/a\\b", out, sizeof out));
    EXPECT_TRUE(to_posix_path("1234567", out, sizeof out));
    EXPECT_FALSE(to_posix_path("12345678", out, sizeof out));
    EXPECT_FALSE(to_windows_path("12345678", out, sizeof out));
}

TEST(CommandLine, QuotesArgumentsSoTheyCanBeSplitAgain)
{
    const struct {
        const char* argument;
        const char* quoted;
    } cases[] = {
        {"plain", "plain"},
        {"", "\"\""},
        {"two words", "\"two words\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\dir\\", "C:\\dir\\"},
        {"C:\\my dir\\", "\"C:\\my dir\\\\\""},
        {"a\\\"b", "\"a\\\\\\\"b\""},
    };
    for (const auto& c : cases) {
        std::string line;
        append_command_line_argument(line, c.argument);
        EXPECT_EQ(line, c.quoted) << c.argument;
    }
    std::string line = "prog";
    append_command_line_argument(line, "/q");
    append_command_line_argument(line, "x y");
    EXPECT_EQ(line, "prog /q \"x y\"");
}

}  // namespace
