// wildcard_match for any pattern and name, checked against the plain
// recursive reading of the rule.
#include "windows_rules.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

char fold(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// "*" is any run of characters, "?" is one character, anything else is
// itself, ASCII letters in either case. Remembers what it worked out, so
// that many stars stay cheap.
class Reference {
public:
    Reference(const std::string& pattern, const std::string& name)
        : pattern_(pattern), name_(name), known_((pattern.size() + 1) * (name.size() + 1), -1)
    {
    }
    bool match(std::size_t p = 0, std::size_t n = 0)
    {
        signed char& known = known_[p * (name_.size() + 1) + n];
        if (known < 0)
            known = work_out(p, n);
        return known != 0;
    }

private:
    bool work_out(std::size_t p, std::size_t n)
    {
        if (p == pattern_.size())
            return n == name_.size();
        if (pattern_[p] == '*')
            return match(p + 1, n) || (n < name_.size() && match(p, n + 1));
        if (n == name_.size())
            return false;
        if (pattern_[p] == '?' || fold(pattern_[p]) == fold(name_[n]))
            return match(p + 1, n + 1);
        return false;
    }

    const std::string& pattern_;
    const std::string& name_;
    std::vector<signed char> known_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // pattern NUL name: the name is whatever follows the first NUL, up to the next.
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t split = input.find('\0');
    std::string pattern = input.substr(0, split);
    std::string name = split == std::string::npos ? "" : input.substr(split + 1);
    name.resize(std::strlen(name.c_str()));
    if (pattern.size() > 300 || name.size() > 300)
        return 0;

    std::unique_ptr<char[]> exact_pattern(new char[pattern.size() + 1]);
    std::unique_ptr<char[]> exact_name(new char[name.size() + 1]);
    std::memcpy(exact_pattern.get(), pattern.c_str(), pattern.size() + 1);
    std::memcpy(exact_name.get(), name.c_str(), name.size() + 1);

    bool got = wildcard_match(exact_pattern.get(), exact_name.get());
    bool expected = Reference(pattern, name).match();
    if (got != expected) {
        std::fprintf(stderr, "wildcard_match(\"%s\", \"%s\") = %d, expected %d\n", pattern.c_str(),
                     name.c_str(), got, expected);
        std::abort();
    }
    return 0;
}
