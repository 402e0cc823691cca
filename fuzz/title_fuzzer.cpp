// The box title for any command line, checked against a plain restatement of
// the rule; AddressSanitizer watches the 33-byte title buffer and the line.
#include "../messages/messages.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

bool is_c_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The rule in the words it is written in: a leading number (after optional
// white space and sign) is passed over; the title is what follows the last
// backslash of the rest, at most 32 bytes, less one trailing space and then
// one trailing quote; "Error" when nothing is left.
std::string reference_title(const std::string& line)
{
    std::size_t i = 0;
    while (i < line.size() && is_c_space(line[i]))
        ++i;
    if (i < line.size() && (line[i] == '+' || line[i] == '-'))
        ++i;
    std::size_t after_digits = i;
    while (after_digits < line.size() && line[after_digits] >= '0' && line[after_digits] <= '9')
        ++after_digits;
    std::string rest = line.substr(after_digits > i ? after_digits : 0);

    std::size_t backslash = rest.rfind('\\');
    std::string title = rest.substr(backslash == std::string::npos ? 0 : backslash + 1, 32);
    if (!title.empty() && title.back() == ' ')
        title.pop_back();
    if (!title.empty() && title.back() == '"')
        title.pop_back();
    return title.empty() ? "Error" : title;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A command line ends at its terminator.
    std::string line(reinterpret_cast<const char*>(data), size);
    line.resize(std::strlen(line.c_str()));
    // A copy of exactly the line's size, so that a read past its end is caught.
    std::unique_ptr<char[]> exact(new char[line.size() + 1]);
    std::memcpy(exact.get(), line.c_str(), line.size() + 1);

    char title[title_capacity + 1];
    title_from_command_line(exact.get(), title);

    std::string expected = reference_title(line);
    if (expected != title) {
        std::fprintf(stderr, "title \"%s\", expected \"%s\"\n", title, expected.c_str());
        std::abort();
    }
    return 0;
}
