// show_message around the real desktop box on a private X server: whatever
// GTK does with the floating-point unit, the caller gets its own state back.
#include "desktop.h"
#include "messages.h"
#include "posix/process.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

struct FpuImage {
    unsigned char bytes[108];
};

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

// A caller in the middle of its work: 64-bit significand rounding toward
// zero, four values on the stack, masked division-by-zero and precision
// flags; SSE rounding toward zero with flush-to-zero and two flags raised.
void load_caller_state()
{
    static const std::uint16_t control = 0x0f7f;
    static const double three = 3.0;
    static const std::uint32_t mxcsr = 0xffa4;
    __asm__ volatile(
        "fninit\n\t"
        "fldcw %0\n\t"
        "fldz\n\t"
        "fld1\n\t"
        "fdiv %%st(1), %%st\n\t"
        "fldl %1\n\t"
        "fld1\n\t"
        "fdiv %%st(1), %%st\n\t"
        "ldmxcsr %2"
        :
        : "m"(control), "m"(three), "m"(mxcsr)
        : "memory");
}

void reset_unit()
{
    static const std::uint32_t mxcsr = 0x1f80;
    __asm__ volatile("fninit\n\tldmxcsr %0" : : "m"(mxcsr) : "memory");
}

TEST(FloatingPointStateWithTheDesktopBox, IsRestoredAfterIt)
{
    Desktop desktop;
    std::string error;
    ASSERT_TRUE(start_desktop(desktop, error)) << error;
    char program[] = "/opt/brisca/install";
    char* argv[] = {program, nullptr};
    posix_set_command_line(1, argv);

    // Someone at the desktop presses Enter once the box is there; the
    // process has no threads yet, so starting a child here is safe.
    std::string folder = make_temporary_folder();
    pid_t user = start_program(
        "/bin/sh",
        {"-c", "w=$(timeout 20 xdotool search --sync --onlyvisible --name '^install$' | head -n 1)"
               " && [ -n \"$w\" ] && timeout 10 xdotool windowactivate --sync \"$w\" key Return"},
        folder, folder + "/user.txt");

    FpuImage before;
    FpuImage after;
    load_caller_state();
    snapshot(before);
    const std::uint32_t mxcsr_before = current_mxcsr();

    // Should the box never be dismissed, end the test rather than hang.
    alarm(60);
    show_message("Brisca successfully installed!");
    alarm(0);

    snapshot(after);
    const std::uint32_t mxcsr_after = current_mxcsr();
    reset_unit();

    EXPECT_EQ(wait_for_exit(user, 30), 0)
        << "the box was not found or not dismissed: " << read_file(folder + "/user.txt");
    stop_desktop(desktop);
    std::filesystem::remove_all(folder);

    // The caller's state was real: otherwise the comparison proves nothing.
    ASSERT_EQ(word_at(before, 0), 0x0f7f);
    ASSERT_EQ(word_at(before, 4) & 0x0024, 0x0024) << "division by zero and precision flags";
    ASSERT_EQ(word_at(before, 8), 0x60ff) << "zero, infinity and two valid values";
    ASSERT_EQ(mxcsr_before, 0xffa4u);

    EXPECT_EQ(word_at(after, 0), word_at(before, 0)) << "control word";
    EXPECT_EQ(word_at(after, 4), word_at(before, 4)) << "status word";
    EXPECT_EQ(word_at(after, 8), word_at(before, 8)) << "tag word";
    EXPECT_EQ(std::memcmp(after.bytes + 28, before.bytes + 28, 80), 0) << "registers";
    EXPECT_EQ(mxcsr_after, mxcsr_before);
}

}  // namespace
