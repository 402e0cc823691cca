// The built program killed with SIGKILL at random moments while it moves a
// few hundred files of mixed sizes, again and again, then run to the end:
// after every kill each file is whole at its source or in LIB, replaced files
// hold their old or new content, temporaries do not pile up, and the last
// run finishes the job.
//
// The suite runs a short campaign. A longer one:
//   INSTALL_KILL_ROUNDS=100 INSTALL_KILLS_PER_ROUND=20 build/native/tests/kill_campaign_test
// INSTALL_KILL_SEED=<n> repeats a campaign; the seed is printed.
#include "campaign_support.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace {

using namespace campaign;

const char* const program = INSTALL_PROGRAM;

long setting(const char* name, long fallback)
{
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtol(text, nullptr, 10) : fallback;
}

// Mostly small units, some of a few hundred KiB, a handful of several MiB;
// about half of them replace an older file already in LIB.
Expectation distribution(std::mt19937_64& random)
{
    Expectation before;
    auto size_between = [&](std::size_t low, std::size_t high) {
        return std::uniform_int_distribution<std::size_t>(low, high)(random);
    };
    for (int i = 0; i < 300; ++i) {
        std::size_t size = i < 240   ? size_between(0, 16 * 1024)
                           : i < 294 ? size_between(64 * 1024, 1024 * 1024)
                                     : size_between(2 * 1024 * 1024, 5 * 1024 * 1024);
        char name[32];
        std::snprintf(name, sizeof name, "Unit%03d.dcu", i);
        before.sources[name] = content_for(name, size, static_cast<unsigned>(random() % 1000));
        if (random() % 2 == 0)
            before.old_targets[name] = content_for(std::string("old ") + name, size_between(0, 20000));
    }
    before.old_targets["Other.dcu"] = content_for("other", 4000);
    return before;
}

std::size_t bytes_left(const fs::path& folder, const Expectation& before)
{
    std::size_t bytes = 0;
    for (const auto& [name, content] : before.sources)
        if (exists_no_follow(folder / name))
            bytes += content.size() + 4096;  // a small file costs more than its bytes
    return bytes;
}

void lay_out(const fs::path& folder, const Expectation& before)
{
    fs::create_directories(folder / "LIB");
    for (const auto& [name, content] : before.sources)
        write_file(folder / name, content);
    for (const auto& [name, content] : before.old_targets)
        write_file(folder / "LIB" / name, content);
}

TEST(KillCampaign, NothingIsLostWhereverTheRunIsKilled)
{
    const long rounds = setting("INSTALL_KILL_ROUNDS", 5);
    const long kills_per_round = setting("INSTALL_KILLS_PER_ROUND", 10);
    const unsigned long seed =
        static_cast<unsigned long>(setting("INSTALL_KILL_SEED", std::random_device{}()));
    std::printf("kill campaign: %ld rounds of up to %ld kills, INSTALL_KILL_SEED=%lu\n", rounds,
                kills_per_round, seed);
    std::mt19937_64 random(seed);

    // How long an undisturbed run takes, so that kills land inside runs.
    ScratchFolder timing;
    Expectation sample = distribution(random);
    lay_out(timing.path(), sample);
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(run_program(program, timing.path()).status, 0);
    auto full_run = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    std::printf("an undisturbed run takes %lld us\n", static_cast<long long>(full_run));

    long kills = 0;
    long finished_before_kill = 0;
    std::size_t most_temporaries = 0;
    for (long round = 0; round < rounds; ++round) {
        ScratchFolder scratch;
        const fs::path folder = scratch.path();
        Expectation before = distribution(random);
        lay_out(folder, before);

        const double all_bytes = static_cast<double>(bytes_left(folder, before));
        for (long k = 0; k < kills_per_round; ++k) {
            SCOPED_TRACE("round " + std::to_string(round) + ", kill " + std::to_string(k));
            // Somewhere in what is left of the work, start-up included.
            auto left = static_cast<long long>(
                static_cast<double>(full_run) * static_cast<double>(bytes_left(folder, before)) /
                all_bytes);
            auto delay = std::chrono::microseconds(
                std::uniform_int_distribution<long long>(0, left + 1000)(random));
            pid_t child = start_program(program, folder, -1);
            std::this_thread::sleep_for(delay);
            ::kill(child, SIGKILL);
            int status = wait_status(child);
            if (status == -SIGKILL)
                ++kills;
            else
                ++finished_before_kill;

            expect_nothing_lost(folder, folder / "LIB", before);
            std::set<std::string> temporaries = temporaries_in(folder / "LIB");
            most_temporaries = std::max(most_temporaries, temporaries.size());
            // At most the one copy in flight, whatever happened before.
            EXPECT_LE(temporaries.size(), 1u);
            EXPECT_EQ(temporaries_in(folder), std::set<std::string>{});
            if (HasFailure())
                return;
            if (status != -SIGKILL)
                break;
        }

        RunResult last = run_program(program, folder);
        EXPECT_EQ(last.status, 0) << last.output;
        EXPECT_EQ(expect_nothing_lost(folder, folder / "LIB", before), 0);
        for (const auto& [name, content] : before.sources)
            EXPECT_TRUE(same_content(read_file(folder / "LIB" / name), content)) << name;
        EXPECT_TRUE(same_content(read_file(folder / "LIB" / "Other.dcu"), before.old_targets["Other.dcu"]));
        EXPECT_EQ(temporaries_in(folder / "LIB"), std::set<std::string>{});
        if (HasFailure())
            return;
    }
    std::printf("%ld runs killed mid-way, %ld finished before their kill, at most %zu temporary "
                "file(s) in LIB after a kill\n",
                kills, finished_before_kill, most_temporaries);
    EXPECT_GT(kills, 0) << "no kill landed inside a run; the campaign tested nothing";
}

}  // namespace
