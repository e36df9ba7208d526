#include "framework/rtl/Parallel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "framework/rtl/SysUtils.h"
#include "tests/common/PeakMemory.h"

using namespace rtl;

TEST(Parallel, EveryItemOnceInConsecutiveBands)
{
    struct Case {
        int count, bands, threads;
    } cases[] = {{0, 4, 4}, {1, 8, 8}, {7, 3, 1}, {10, 10, 3}, {1000, 37, 8}, {5, 0, 0}, {100, 4, 16}};
    for (const Case& c : cases) {
        std::vector<std::atomic<int>> seen(size_t(c.count));
        std::mutex lock;
        std::vector<std::pair<int, int>> bands;
        ParallelBands(c.count, c.bands, c.threads, [&](int begin, int end) {
            for (int i = begin; i < end; ++i) ++seen[size_t(i)];
            std::lock_guard<std::mutex> guard(lock);
            bands.emplace_back(begin, end);
        });
        for (int i = 0; i < c.count; ++i)
            EXPECT_EQ(seen[size_t(i)], 1) << c.count << "/" << c.bands << ": item " << i;
        std::sort(bands.begin(), bands.end());
        for (size_t b = 0; b < bands.size(); ++b) {
            EXPECT_LT(bands[b].first, bands[b].second) << "no empty band";
            if (b > 0) {
                EXPECT_EQ(bands[b].first, bands[b - 1].second);
            }
        }
    }
}

TEST(Parallel, ABandsExceptionReachesTheCallerAfterTheOthersEnd)
{
    std::atomic<int> running{0}, maxRunning{0};
    auto body = [&](int begin, int) {
        const int now = ++running;
        for (int m = maxRunning; now > m && !maxRunning.compare_exchange_weak(m, now);) {}
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        --running;
        if (begin == 0) throw ERangeError();
    };
    EXPECT_THROW(ParallelBands(64, 16, 4, body), ERangeError);
    EXPECT_EQ(running, 0) << "every band had ended when the exception came back";
    EXPECT_LE(maxRunning, 4);
}

// Callers on several threads at once, and a band that cuts its own work into bands again.
TEST(Parallel, CallersSideBySideAndBandsWithinBands)
{
    constexpr int callers = 4, count = 5000;
    std::vector<std::vector<std::atomic<int>>> seen(callers);
    for (auto& s : seen) s = std::vector<std::atomic<int>>(count);
    std::vector<std::thread> threads;
    for (int c = 0; c < callers; ++c)
        threads.emplace_back([&, c] {
            for (int round = 0; round < 20; ++round)
                ParallelBands(count, 16, 4, [&](int begin, int end) {
                    ParallelBands(end - begin, 3, 2, [&](int b, int e) {
                        for (int i = begin + b; i < begin + e; ++i) ++seen[size_t(c)][size_t(i)];
                    });
                });
        });
    for (auto& t : threads) t.join();
    for (int c = 0; c < callers; ++c)
        for (int i = 0; i < count; ++i) ASSERT_EQ(seen[size_t(c)][size_t(i)], 20) << "caller " << c << ", item " << i;
}

TEST(Parallel, ThreadCountFollowsTheWorkWithinTheCores)
{
    const int cores = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    EXPECT_EQ(ThreadCount(0, 16), 1);
    EXPECT_EQ(ThreadCount(31, 16), 1);
    EXPECT_EQ(ThreadCount(32, 16), std::min(2, cores));
    EXPECT_EQ(ThreadCount(int64_t(1) << 40, 16), cores);
    EXPECT_EQ(ThreadCount(100, 0), cores) << "no minimum: as many as there are cores";
}

// Items made ahead on helpers, used in order on the calling thread: alone, and from inside a band
// while the pool serves that band's caller.
TEST(Parallel, ItemsAreMadeOnceAndUsedInOrderOnTheCallingThread)
{
    struct Case {
        int count, threads;
        bool insideBands;
    } cases[] = {{0, 4, false}, {1, 1, false}, {1, 8, false}, {7, 1, false},
                 {50, 2, false}, {200, 8, false}, {40, 3, true}, {5, 0, false}};
    for (const Case& c : cases) {
        auto run = [&] {
            const std::thread::id caller = std::this_thread::get_id();
            std::vector<std::atomic<int>> made(size_t(c.count));
            std::vector<int> used;
            std::atomic<int> ahead{0}, usedCount{0};
            MakeAheadInOrder(
                c.count, c.threads,
                [&](int i) {
                    ++made[size_t(i)];
                    const int lead = i - usedCount;
                    for (int m = ahead; lead > m && !ahead.compare_exchange_weak(m, lead);) {}
                },
                [&](int i) {
                    EXPECT_EQ(std::this_thread::get_id(), caller);
                    EXPECT_EQ(made[size_t(i)], 1) << "made before its use";
                    used.push_back(i);
                    ++usedCount;
                });
            for (int i = 0; i < c.count; ++i) EXPECT_EQ(made[size_t(i)], 1) << c.count << "/" << c.threads;
            std::vector<int> order(size_t(c.count));
            for (int i = 0; i < c.count; ++i) order[size_t(i)] = i;
            EXPECT_EQ(used, order);
            EXPECT_LE(ahead, 2 * std::max(c.threads, 1)) << "helpers stay within their window";
        };
        if (c.insideBands) ParallelBands(2, 2, 2, [&](int, int) { run(); });
        else run();
    }
}

TEST(Parallel, AFailureEndsTheItemsInOrderAfterTheHelpersStop)
{
    for (int threads : {1, 2, 8}) {
        for (bool inMake : {true, false}) {
            std::vector<int> used;
            std::atomic<int> making{0};
            try {
                MakeAheadInOrder(
                    100, threads,
                    [&](int i) {
                        ++making;
                        std::this_thread::sleep_for(std::chrono::microseconds(200));
                        --making;
                        if (inMake && i == 10) throw ERangeError();
                    },
                    [&](int i) {
                        if (!inMake && i == 10) throw ERangeError();
                        used.push_back(i);
                    });
                ADD_FAILURE() << "nothing raised";
            } catch (const ERangeError&) {
            }
            EXPECT_EQ(used.size(), 10u) << threads << (inMake ? " make" : " use");
            EXPECT_EQ(making, 0) << "every helper had finished its item";
        }
    }
}

// Where no helper thread can be started (no address space is left for a thread's stack), the
// calling thread does all the work, in the same order.
TEST(Parallel, HelpersThatCannotStartLeaveTheWorkToTheCaller)
{
    SKIP_UNDER_SANITIZERS();
    const testmemory::Outcome outcome = testmemory::RunLimited(2 * testmemory::MB, [] {
        std::vector<int> used;
        int made = 0;
        MakeAheadInOrder(50, 8, [&](int) { ++made; }, [&](int i) { used.push_back(i); });
        int banded = 0;
        ParallelBands(40, 8, 8, [&](int begin, int end) { banded += end - begin; });
        bool inOrder = used.size() == 50;
        for (size_t i = 0; inOrder && i < used.size(); ++i) inOrder = used[i] == int(i);
        return inOrder && made == 50 && banded == 40 ? 0 : 1;
    });
    ASSERT_TRUE(outcome.Finished);
    EXPECT_EQ(outcome.Result, 0);
}

// Items made ahead within a byte budget: what is being made (its cost) and what is made and not yet
// used (what make kept) never passes the budget, unless one item alone is larger than it; items are
// still used in order, each once, and an item larger than the whole budget is made too.
TEST(Parallel, ItemsMadeAheadStayWithinTheirBudget)
{
    struct Case {
        int count, threads;
        int64_t budget;
    } cases[] = {{40, 8, 100}, {40, 8, 30}, {40, 1, 50}, {25, 4, 1000}, {10, 8, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " items, " + std::to_string(c.threads) + " threads, budget " +
                     std::to_string(c.budget));
        auto cost = [](int i) -> int64_t { return 10 + (i % 3) * 10; };  // 10, 20, 30, ...
        auto kept = [](int i) -> int64_t { return i % 3 == 0 ? 2 : 5; };
        std::mutex lock;
        int64_t inFlight = 0, worst = 0, worstAlone = 0;
        std::vector<int64_t> holds(size_t(c.count), 0);
        std::vector<int> used;
        MakeAheadInOrder(
            c.count, c.threads, TAheadBudget{.Bytes = c.budget, .Cost = cost},
            [&](int i) -> int64_t {
                {
                    std::lock_guard<std::mutex> guard(lock);
                    inFlight += cost(i);
                    holds[size_t(i)] = cost(i);
                    if (inFlight > cost(i)) worst = std::max(worst, inFlight);
                    else worstAlone = std::max(worstAlone, inFlight);
                }
                std::this_thread::sleep_for(std::chrono::microseconds(300));
                std::lock_guard<std::mutex> guard(lock);
                inFlight += kept(i) - cost(i);
                holds[size_t(i)] = kept(i);
                return kept(i);
            },
            [&](int i) {
                std::lock_guard<std::mutex> guard(lock);
                inFlight -= holds[size_t(i)];
                used.push_back(i);
            });
        EXPECT_LE(worst, c.budget);
        EXPECT_EQ(inFlight, 0);
        std::vector<int> order(size_t(c.count));
        for (int i = 0; i < c.count; ++i) order[size_t(i)] = i;
        EXPECT_EQ(used, order);
    }
}

// A failure at one item's use ends the call while helpers wait for room in the budget.
TEST(Parallel, AFailureEndsTheCallWhileHelpersWaitForTheBudget)
{
    std::vector<int> used;
    EXPECT_THROW(MakeAheadInOrder(
                     100, 8, TAheadBudget{.Bytes = 10, .Cost = [](int) -> int64_t { return 10; }},
                     [](int) -> int64_t { return 10; },
                     [&](int i) {
                         if (i == 3) throw ERangeError();
                         used.push_back(i);
                     }),
                 ERangeError);
    EXPECT_EQ(used, (std::vector<int>{0, 1, 2}));
}
