// A temporary distribution folder that is the current directory for the
// length of a test, with the installer's buffers pointing at it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>

namespace fs = std::filesystem;

inline void write_file(const fs::path& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary);
    out << content;
    ASSERT_TRUE(out.good()) << path;
}

inline std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Names of the entries directly inside `folder`.
inline std::set<std::string> entries_of(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

class DistributionFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device random;
        root = fs::temp_directory_path() /
               ("brisca-test-" + std::to_string(random()) + "-" + std::to_string(random()));
        fs::create_directories(root);
        previous = fs::current_path();
        fs::current_path(root);
    }

    void TearDown() override
    {
        fs::current_path(previous);
        std::error_code ignored;
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(root, ignored);
    }

    fs::path root;
    fs::path previous;
};
