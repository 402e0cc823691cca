// Titles come from file names, cut at 32 bytes: whatever the bytes, the
// toolkit must be given well-formed UTF-8, and good text must pass unchanged.
#include "posix/utf8_text.h"

#include <gtest/gtest.h>

namespace {

const std::string bad = "\xEF\xBF\xBD";  // U+FFFD

struct Case {
    const char* name;
    std::string in;
    std::string out;
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

class ValidUtf8 : public ::testing::TestWithParam<Case> {};

TEST_P(ValidUtf8, ReplacesEachStrayByte)
{
    EXPECT_EQ(valid_utf8(GetParam().in.c_str()), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ValidUtf8,
    ::testing::Values(
        Case{"Empty", "", ""},
        Case{"Ascii", "install.exe \"x\" /q", "install.exe \"x\" /q"},
        Case{"TwoThreeAndFourBytes", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x83\x8F",
             "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x83\x8F"},
        Case{"EdgesOfTheRanges", "\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
             "\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
        Case{"CutAfterLeadByte", "instal\xC3", "instal" + bad},
        Case{"CutInsideThreeBytes", "a\xE2\x82", "a" + bad + bad},
        Case{"CutInsideFourBytes", "a\xF0\x9F\x83", "a" + bad + bad + bad},
        Case{"LeadByteBeforeAscii", "\xC3(x", bad + "(x"},
        Case{"LoneContinuation", "\x80x\xBF", bad + "x" + bad},
        Case{"Latin1", "\xE9t\xE9.exe", bad + "t" + bad + ".exe"},
        Case{"OverlongTwoBytes", "\xC0\xAF\xC1\xBF", bad + bad + bad + bad},
        Case{"OverlongThreeBytes", "\xE0\x80\xAF", bad + bad + bad},
        Case{"OverlongFourBytes", "\xF0\x8F\xBF\xBF", bad + bad + bad + bad},
        Case{"Surrogate", "\xED\xA0\x80", bad + bad + bad},
        Case{"AboveTheLastCodePoint", "\xF4\x90\x80\x80", bad + bad + bad + bad},
        Case{"BytesNeverUsed", "\xF5\x80\xFE\xFF", bad + bad + bad + bad}));

}  // namespace
