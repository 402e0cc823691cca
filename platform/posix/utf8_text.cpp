#include "utf8_text.h"

namespace {

const char replacement[] = "\xEF\xBF\xBD";

bool is_continuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Length of the well-formed sequence at `p`, or 0 when the byte at `p` starts none.
// The ranges for the second byte rule out overlong forms, surrogates and
// anything past U+10FFFF.
int sequence_length(const unsigned char* p)
{
    unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    int length;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            low = 0xA0;
        else if (c == 0xED)
            high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            low = 0x90;
        else if (c == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (p[1] < low || p[1] > high)
        return 0;
    // The terminator is not a continuation byte, so this never reads past it.
    for (int i = 2; i < length; ++i)
        if (!is_continuation(p[i]))
            return 0;
    return length;
}

}  // namespace

std::string valid_utf8(const char* text)
{
    std::string out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != '\0') {
        int length = sequence_length(p);
        if (length == 0) {
            out += replacement;
            ++p;
        } else {
            out.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(length));
            p += length;
        }
    }
    return out;
}
