// The x87 unit's state as its 32-bit full-state store lays it out, for tests
// that compare what a caller had before and after a box.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

struct FpuImage {
    unsigned char bytes[108];
};

inline std::uint16_t word_at(const FpuImage& image, int offset)
{
    return static_cast<std::uint16_t>(image.bytes[offset] | image.bytes[offset + 1] << 8);
}

// fnsave reinitialises the unit; frstor puts the same state straight back.
inline void snapshot(FpuImage& image)
{
    __asm__ volatile("fnsave %0\n\tfrstor %0" : "+m"(image.bytes) : : "memory");
}

// The parts of the image that are the unit's state: control, status and tag
// words and the eight registers (the instruction and operand pointers in
// between say where the last instruction was, not what it left).
inline void expect_same_x87_state(const FpuImage& before, const FpuImage& after)
{
    EXPECT_EQ(word_at(after, 0), word_at(before, 0)) << "control word";
    EXPECT_EQ(word_at(after, 4), word_at(before, 4)) << "status word";
    EXPECT_EQ(word_at(after, 8), word_at(before, 8)) << "tag word";
    EXPECT_EQ(std::memcmp(after.bytes + 28, before.bytes + 28, 80), 0) << "registers";
}

#if defined(__SSE__)
inline std::uint32_t current_mxcsr()
{
    std::uint32_t value;
    __asm__ volatile("stmxcsr %0" : "=m"(value));
    return value;
}
#endif

// Leaves the unit as a fresh thread has it, for whatever runs next.
inline void reset_unit()
{
    __asm__ volatile("fninit" : : : "memory");
#if defined(__SSE__)
    static const std::uint32_t default_mxcsr = 0x1f80;
    __asm__ volatile("ldmxcsr %0" : : "m"(default_mxcsr) : "memory");
#endif
}
