// The floating-point unit around the system's own message box: a CBT hook on
// this thread sees the box activate, scrambles the unit as code inside the box
// might, and presses OK.
#include "fpu_image.h"
#include "messages.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The caller's state: rounding up, 53-bit significand, all exceptions masked.
constexpr unsigned short caller_control_word = 0x0A7F;
// What the box does to the unit: rounding toward zero, 24-bit significand.
constexpr unsigned short scrambled_control_word = 0x0C7F;

// Three values on the stack, an inexact division flagged in the status word.
void set_caller_state()
{
    __asm__ volatile(
        "fninit\n\t"
        "fldcw %0\n\t"
        "fld1\n\t"
        "fldpi\n\t"
        "fldl2t\n\t"
        "fdiv %%st(1), %%st\n\t"
        :
        : "m"(caller_control_word)
        : "memory");
}

void scramble()
{
    __asm__ volatile(
        "fninit\n\t"
        "fldcw %0\n\t"
        "fldz\n\t"
        "fldlg2\n\t"
        "fldln2\n\t"
        "fld1\n\t"
        "fldl2e\n\t"
        :
        : "m"(scrambled_control_word)
        : "memory");
}

struct BoxSeen {
    bool activated = false;
    char title[64] = {};
    FpuImage unit_in_box = {};
};

BoxSeen seen;

LRESULT CALLBACK watch_box(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HCBT_ACTIVATE && !seen.activated) {
        HWND box = reinterpret_cast<HWND>(wparam);
        seen.activated = true;
        GetWindowTextA(box, seen.title, sizeof seen.title);
        snapshot(seen.unit_in_box);
        scramble();
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

class FpuAroundTheBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        seen = BoxSeen{};
        hook = SetWindowsHookExA(WH_CBT, watch_box, nullptr, GetCurrentThreadId());
        ASSERT_NE(hook, nullptr);
    }

    void TearDown() override
    {
        UnhookWindowsHookEx(hook);
        __asm__ volatile("fninit");
    }

    HHOOK hook = nullptr;
};

TEST_F(FpuAroundTheBox, CallerGetsItsStateBackWhateverTheBoxDid)
{
    FpuImage before = {};
    FpuImage after = {};

    set_caller_state();
    snapshot(before);
    show_message("Floating-point state test");
    snapshot(after);

    ASSERT_TRUE(seen.activated) << "the box never activated";
    expect_same_x87_state(before, after);
    // The state really was one to lose: values and a flag, not a fresh unit.
    EXPECT_EQ(word_at(before, 0), caller_control_word);
    EXPECT_NE(word_at(before, 4) & 0x0020, 0) << "precision flag";
    EXPECT_NE(word_at(before, 8), 0xFFFF) << "register stack empty";
}

TEST_F(FpuAroundTheBox, BoxRunsWithAFreshUnitAndTheProgramsTitle)
{
    char title[title_capacity + 1];
    title_from_command_line(GetCommandLineA(), title);

    set_caller_state();
    show_message("Floating-point state test");

    ASSERT_TRUE(seen.activated) << "the box never activated";
    EXPECT_EQ(word_at(seen.unit_in_box, 0), 0x037F) << "control word";
    EXPECT_EQ(word_at(seen.unit_in_box, 8), 0xFFFF) << "tag word";
    EXPECT_STREQ(seen.title, title);
}

}  // namespace
