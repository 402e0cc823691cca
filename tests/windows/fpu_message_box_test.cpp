// The floating-point unit around the system's own message box: a CBT hook on
// this thread sees the box activate, scrambles the unit as code inside the box
// might, and presses OK.
#include "messages.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

using FpuImage = unsigned char[108];

// The caller's state: rounding up, 53-bit significand, all exceptions masked.
constexpr unsigned short caller_control_word = 0x0A7F;
// What the box does to the unit: rounding toward zero, 24-bit significand.
constexpr unsigned short scrambled_control_word = 0x0C7F;

void store_and_reload(FpuImage& image)
{
    // fnsave reinitialises the unit; frstor puts the same state back.
    __asm__ volatile("fnsave %0\n\tfrstor %0" : "+m"(image) : : "memory");
}

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

unsigned short word_at(const FpuImage& image, int offset)
{
    return static_cast<unsigned short>(image[offset] | image[offset + 1] << 8);
}

// The parts of a 32-bit fnsave image that are the unit's state: control,
// status and tag words and the eight registers (the instruction and operand
// pointers in between say where the last instruction was, not what it left).
void expect_same_state(const FpuImage& before, const FpuImage& after)
{
    EXPECT_EQ(word_at(after, 0), word_at(before, 0)) << "control word";
    EXPECT_EQ(word_at(after, 4), word_at(before, 4)) << "status word";
    EXPECT_EQ(word_at(after, 8), word_at(before, 8)) << "tag word";
    EXPECT_EQ(0, std::memcmp(after + 28, before + 28, 80)) << "registers";
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
        store_and_reload(seen.unit_in_box);
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
    store_and_reload(before);
    show_message("Floating-point state test");
    store_and_reload(after);

    ASSERT_TRUE(seen.activated) << "the box never activated";
    expect_same_state(before, after);
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
