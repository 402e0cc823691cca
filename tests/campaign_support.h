// Helpers shared by the fault, crash and hostile-input tests: scratch
// folders, whole-file reads and writes, running the built program, and the
// check that no file was lost.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace campaign {

namespace fs = std::filesystem;

// The prefix copy_file.cpp gives a temporary target while it is put in place.
inline bool is_temporary_name(const std::string& name)
{
    return name.rfind(".install-", 0) == 0;
}

// A fresh folder under TMPDIR, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "brisca-campaign-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp: " + std::string(std::strerror(errno)));
        path_ = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

inline void write_file(const fs::path& path, const std::string& content)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("open " + path.string() + ": " + std::strerror(errno));
    for (std::size_t done = 0; done < content.size();) {
        ssize_t put = ::write(fd, content.data() + done, content.size() - done);
        if (put <= 0) {
            ::close(fd);
            throw std::runtime_error("write " + path.string() + ": " + std::strerror(errno));
        }
        done += static_cast<std::size_t>(put);
    }
    ::close(fd);
}

// The content of a regular file (following links); nothing when there is no
// such file.
inline std::optional<std::string> read_file(const fs::path& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string content;
    char buffer[1 << 16];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        content.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return content;
}

inline bool exists_no_follow(const fs::path& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

inline std::set<std::string> names_in(const fs::path& folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        names.insert(entry.path().filename().string());
    return names;
}

inline std::set<std::string> temporaries_in(const fs::path& folder)
{
    std::set<std::string> found;
    for (const std::string& name : names_in(folder))
        if (is_temporary_name(name))
            found.insert(name);
    return found;
}

// Bytes that differ from file to file and from position to position, so that
// a swapped, shifted or cut copy cannot pass for the original.
inline std::string content_for(const std::string& label, std::size_t size, unsigned seed = 0)
{
    std::uint64_t state = seed;
    for (unsigned char c : label)
        state = (state ^ c) * 1099511628211ull;
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; i += 8) {
        // splitmix64: cheap enough for many MiB in a sanitizer build
        std::uint64_t word = (state += 0x9e3779b97f4a7c15ull);
        word = (word ^ (word >> 30)) * 0xbf58476d1ce4e5b9ull;
        word = (word ^ (word >> 27)) * 0x94d049bb133111ebull;
        word ^= word >> 31;
        std::memcpy(&content[i], &word, std::min<std::size_t>(8, size - i));
    }
    return content;
}

// A short stand-in for a content in failure messages: size and FNV-1a hash.
inline std::string fingerprint(const std::optional<std::string>& content)
{
    if (!content)
        return "no file";
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : *content)
        hash = (hash ^ c) * 1099511628211ull;
    char text[64];
    std::snprintf(text, sizeof text, "%zu bytes, hash %016llx", content->size(),
                  static_cast<unsigned long long>(hash));
    return text;
}

// Equal contents, with a short message when they are not.
inline ::testing::AssertionResult same_content(const std::optional<std::string>& actual,
                                               const std::optional<std::string>& expected)
{
    if (actual == expected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "holds " << fingerprint(actual) << " instead of " << fingerprint(expected);
}

// What a distribution folder held before a run: the matching sources, and
// what LIB held under the same or other names.
struct Expectation {
    std::map<std::string, std::string> sources;
    std::map<std::string, std::string> old_targets;
};

// The rule: every source is whole at its place or in LIB (or both), and
// every file in LIB holds its old or its new content in full. Returns how
// many sources are still in the folder.
inline int expect_nothing_lost(const fs::path& folder, const fs::path& lib,
                               const Expectation& before)
{
    int still_there = 0;
    for (const auto& [name, content] : before.sources) {
        std::optional<std::string> source = read_file(folder / name);
        std::optional<std::string> target = read_file(lib / name);
        auto old = before.old_targets.find(name);
        if (source) {
            ++still_there;
            EXPECT_TRUE(same_content(source, content)) << "source " << name << " was changed";
        } else {
            EXPECT_FALSE(exists_no_follow(folder / name)) << name << " is there but unreadable";
            EXPECT_TRUE(target.has_value()) << name << " is gone from both places";
        }
        if (target && *target != content) {
            EXPECT_TRUE(old != before.old_targets.end() && *target == old->second)
                << "LIB/" << name << " holds neither its old nor its new content ("
                << target->size() << " bytes)";
        }
        if (!target && old != before.old_targets.end())
            ADD_FAILURE() << "LIB/" << name << " was there before and is gone";
    }
    for (const auto& [name, content] : before.old_targets) {
        if (before.sources.count(name) == 0) {
            EXPECT_TRUE(same_content(read_file(lib / name), content))
                << "LIB/" << name << " was not to be touched";
        }
    }
    return still_there;
}

struct RunResult {
    int status = -1;  // exit status, or -signal
    std::string output;
};

inline pid_t start_program(const char* program, const fs::path& folder, int output_fd)
{
    pid_t child = fork();
    if (child == 0) {
        if (chdir(folder.c_str()) != 0)
            _exit(126);
        int null_fd = ::open("/dev/null", O_RDWR);
        dup2(null_fd, STDIN_FILENO);
        dup2(output_fd >= 0 ? output_fd : null_fd, STDOUT_FILENO);
        execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
}

inline int wait_status(pid_t child)
{
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// Runs the program in `folder` with nobody at the terminal, as a user would
// start it there; collects what its box said.
inline RunResult run_program(const char* program, const fs::path& folder)
{
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    pid_t child = start_program(program, folder, pipe_fds[1]);
    ::close(pipe_fds[1]);
    RunResult result;
    char buffer[4096];
    for (;;) {
        ssize_t got = ::read(pipe_fds[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        result.output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipe_fds[0]);
    result.status = wait_status(child);
    return result;
}

inline std::string failure_text(int failed)
{
    return "Brisca installation failed: " + std::to_string(failed) +
           " file(s) could not be moved to LIB.";
}

}  // namespace campaign
