#include "platform/ParallelLines.h"

#include "platform/SystemUtils.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kestrune {
namespace {

// Counts how often each line of first..last - 1 was worked on.
std::vector<int> Coverage(int32_t first, int32_t last) {
    std::vector<std::atomic<int>> seen(static_cast<size_t>(last));
    ForLineRanges(
        first, last,
        [&](int32_t from, int32_t to) {
            for (int32_t line = from; line < to; ++line) ++seen[static_cast<size_t>(line)];
        },
        false);
    return {seen.begin(), seen.end()};
}

TEST(ParallelLinesTest, EveryLineIsWorkedOnOnce) {
    for (const int32_t last : {0, 1, 2, 7, 100, 5400}) {
        SCOPED_TRACE(last);
        const std::vector<int> seen = Coverage(0, last);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), last);
    }
    // Lines before the first are left alone.
    const std::vector<int> seen = Coverage(300, 400);
    EXPECT_EQ(std::count(seen.begin(), seen.begin() + 300, 0), 300);
    EXPECT_EQ(std::count(seen.begin() + 300, seen.end(), 1), 100);
}

TEST(ParallelLinesTest, RangesRunAtTheSameTime) {
    if (LinePoolThreads() == 0) GTEST_SKIP() << "one processor";
    std::atomic<int> running = 0;
    std::atomic<int> most = 0;
    ForLineRanges(
        0, 64,
        [&](int32_t, int32_t) {
            const int now = ++running;
            for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            --running;
        },
        false);
    EXPECT_GE(most, 2);
}

// A failing range is raised to the caller once every range has ended; calls
// from several threads and from inside the work each get their own lines.
TEST(ParallelLinesTest, FailuresAndCallsFromManyThreads) {
    std::atomic<int> ended = 0;
    EXPECT_THROW(ForLineRanges(
                     0, 1000,
                     [&](int32_t from, int32_t) {
                         std::this_thread::sleep_for(std::chrono::milliseconds(5));
                         ++ended;
                         if (from == 0) throw std::runtime_error("bad line");
                     },
                     false),
                 std::runtime_error);
    EXPECT_EQ(ended, static_cast<int>(std::min(1000u, LinePoolThreads() + 1)));

    std::vector<std::thread> callers;
    std::atomic<int> total = 0;
    for (int k = 0; k < 4; ++k)
        callers.emplace_back([&] {
            ForLineRanges(
                0, 8,
                [&](int32_t from, int32_t to) {
                    for (int32_t line = from; line < to; ++line)
                        ForLineRanges(0, 10, [&](int32_t a, int32_t b) { total += b - a; }, false);
                },
                false);
        });
    for (std::thread& caller : callers) caller.join();
    EXPECT_EQ(total, 4 * 8 * 10);
}

// While a reception program runs the pool works in the idle scheduling
// class for that call only.
TEST(ParallelLinesTest, PoolThreadsFollowTheCallersPriority) {
    if (LinePoolThreads() == 0) GTEST_SKIP() << "one processor";
    const std::thread::id caller = std::this_thread::get_id();
    // The caller's own range ends only once a pool thread has run one, however
    // loaded the machine: else the caller could take them all.
    const auto policies = [&](bool idle) {
        std::mutex mutex;
        std::condition_variable poolRan;
        std::set<int> seen;
        ForLineRanges(
            0, 64,
            [&](int32_t, int32_t) {
                std::unique_lock<std::mutex> lock(mutex);
                if (std::this_thread::get_id() == caller) {
                    poolRan.wait(lock, [&] { return !seen.empty(); });
                    return;
                }
                seen.insert(sched_getscheduler(0));
                poolRan.notify_all();
            },
            idle);
        return seen;
    };
    EXPECT_EQ(policies(true), std::set<int>{SCHED_IDLE});
    EXPECT_EQ(policies(false).count(SCHED_IDLE), 0u);
    EXPECT_NE(sched_getscheduler(0), SCHED_IDLE);
}

// Work that cannot say whether a reception program runs (a colour table,
// the pass's locations) follows the thread that asks for it: idle beside a
// reception program, as the run's own thread then is.
TEST(ParallelLinesTest, WithoutBeingToldThePoolTakesTheCallersPriority) {
    if (LinePoolThreads() == 0) GTEST_SKIP() << "one processor";
    const auto policies = [] {
        std::mutex mutex;
        std::set<int> seen;
        ForLineRanges(0, 64, [&](int32_t, int32_t) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            const std::lock_guard<std::mutex> lock(mutex);
            seen.insert(sched_getscheduler(0));
        });
        return seen;
    };
    std::set<int> idle;
    // Idle scheduling cannot be left without privilege: a thread of its own takes it.
    std::thread([&] {
        ASSERT_NE(SetIdlePriority(true), 0);
        EXPECT_TRUE(RunsAtIdlePriority());
        idle = policies();
    }).join();
    EXPECT_EQ(idle, std::set<int>{SCHED_IDLE});
    EXPECT_FALSE(RunsAtIdlePriority());
    EXPECT_EQ(policies().count(SCHED_IDLE), 0u);
}

// A station that binds the run to some processors (taskset) gets no more threads than those.
TEST(ParallelLinesTest, UsableProcessorsAreThoseTheThreadIsBoundTo) {
    cpu_set_t all;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    EXPECT_EQ(UsableProcessors(), static_cast<unsigned>(CPU_COUNT(&all)));
    EXPECT_EQ(LinePoolThreads() + 1, UsableProcessors()) << "the pool was made in this program with every processor";
    int first = 0;
    while (!CPU_ISSET(first, &all)) ++first;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    const unsigned bound = UsableProcessors();
    ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
    EXPECT_EQ(bound, 1u);
}

}  // namespace
}  // namespace kestrune
