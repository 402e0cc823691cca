// show_message around a box that leaves the floating-point unit in a mess:
// the caller must get its own state back, bit for bit.
#include "messages.h"
#include "win32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

struct FpuImage {
    unsigned char bytes[108];
};

struct Seen {
    std::uint16_t control;
    std::uint16_t tag;
    std::uint32_t mxcsr;
    bool called;
} seen;

std::uint16_t word_at(const FpuImage& image, int offset)
{
    return static_cast<std::uint16_t>(image.bytes[offset] | image.bytes[offset + 1] << 8);
}

void snapshot(FpuImage& image)
{
    __asm__ volatile("fnsave %0\n\tfrstor %0" : "+m"(image.bytes) : : "memory");
}

std::uint32_t current_mxcsr()
{
    std::uint32_t value;
    __asm__ volatile("stmxcsr %0" : "=m"(value));
    return value;
}

// A caller with work in progress: rounding up at double precision, three
// values on the stack, and a masked division by zero in the status word.
void load_caller_state()
{
    static const std::uint16_t control = 0x0a7f;
    static const long double value = -2.25L;
    static const std::uint32_t mxcsr = 0x3f80;  // round down, all masked
    __asm__ volatile(
        "fninit\n\t"
        "fldcw %0\n\t"
        "fldt %1\n\t"
        "fldpi\n\t"
        "fld1\n\t"
        "fldz\n\t"
        "fdivrp\n\t"
        "ldmxcsr %2"
        :
        : "m"(control), "m"(value), "m"(mxcsr)
        : "memory");
}

void reset_unit()
{
    static const std::uint32_t mxcsr = 0x1f80;
    __asm__ volatile("fninit\n\tldmxcsr %0" : : "m"(mxcsr) : "memory");
}

}  // namespace

// The box of this test: notes what it was given, then scrambles the unit.
int MessageBoxA(HWND, LPCSTR, LPCSTR, UINT)
{
    FpuImage image;
    snapshot(image);
    seen.control = word_at(image, 0);
    seen.tag = word_at(image, 8);
    seen.mxcsr = current_mxcsr();
    seen.called = true;

    static const std::uint16_t control = 0x0c7f;
    static const std::uint32_t mxcsr = 0xffc0;
    __asm__ volatile(
        "fninit\n\t"
        "fldcw %0\n\t"
        "fld1\n\t"
        "fldl2t\n\t"
        "fldlg2\n\t"
        "fldln2\n\t"
        "fld1\n\t"
        "fsqrt\n\t"
        "ldmxcsr %1"
        :
        : "m"(control), "m"(mxcsr)
        : "memory");
    return IDOK;
}

namespace {

TEST(FloatingPointState, IsFreshInsideTheBoxAndRestoredAfterIt)
{
    seen = {};
    FpuImage before;
    FpuImage after;
    load_caller_state();
    snapshot(before);
    const std::uint32_t mxcsr_before = current_mxcsr();

    show_message("Brisca successfully installed!");

    snapshot(after);
    const std::uint32_t mxcsr_after = current_mxcsr();
    reset_unit();

    ASSERT_TRUE(seen.called);
    // The caller's state was real: otherwise the comparison proves nothing.
    ASSERT_EQ(word_at(before, 0), 0x0a7f);
    ASSERT_NE(word_at(before, 4) & 0x0004, 0) << "division by zero flag";
    ASSERT_NE(word_at(before, 8), 0xffff) << "values on the stack";

    EXPECT_EQ(seen.control, 0x037f) << "the box gets a freshly initialised unit";
    EXPECT_EQ(seen.tag, 0xffff);
    EXPECT_EQ(seen.mxcsr, 0x1f80u);

    EXPECT_EQ(word_at(after, 0), word_at(before, 0)) << "control word";
    EXPECT_EQ(word_at(after, 4), word_at(before, 4)) << "status word";
    EXPECT_EQ(word_at(after, 8), word_at(before, 8)) << "tag word";
    EXPECT_EQ(std::memcmp(after.bytes + 28, before.bytes + 28, 80), 0) << "registers";
    EXPECT_EQ(mxcsr_after, mxcsr_before);
}

}  // namespace
