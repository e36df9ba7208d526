#include "framework/rtl/Parallel.h"

#include "framework/rtl/SysUtils.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace rtl {

namespace {

int Cores() { return int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u)); }

// Helper threads made on first use and kept until the process ends, so that a picture's work
// does not pay for making and ending threads each time. One caller at a time has them. The pool
// is never destroyed, so that work done while the process ends still finds it.
class TWorkerPool {
public:
    static TWorkerPool& Instance()
    {
        static TWorkerPool* pool = new TWorkerPool;
        return *pool;
    }

    // Has up to `helpers` workers run helperWork() beside the calling thread, which runs
    // callerWork(); returns once every worker that took part is done. False, with nothing run,
    // while the pool serves another caller (or this one, from inside its work). callerWork must
    // not throw.
    bool TryRun(int helpers, const std::function<void()>& helperWork, const std::function<void()>& callerWork)
    {
        bool idle = false;
        if (!FBusy.compare_exchange_strong(idle, true))
            return false;
        Run(helpers, helperWork, callerWork);
        FBusy = false;
        return true;
    }

private:
    void Run(int helpers, const std::function<void()>& helperWork, const std::function<void()>& callerWork)
    {
        {
            std::lock_guard<std::mutex> lock(FLock);
            FWork = &helperWork;
            FWanted = std::min(helpers, int(FThreads.size()));
            FTaken = FDone = 0;
            ++FJob;
        }
        FWake.notify_all();
        callerWork();
        std::unique_lock<std::mutex> lock(FLock);
        FWanted = FTaken;  // those not started by now are not needed
        FFinished.wait(lock, [this] { return FDone == FTaken; });
        FWork = nullptr;
    }

    TWorkerPool()
    {
        try {
            // One for every core: a caller that waits for its items (see MakeAheadInOrder)
            // leaves its own core to them.
            for (int t = 0; t < Cores(); ++t)
                FThreads.emplace_back([this] { Serve(); });
        } catch (...) {
            // Fewer threads to be had: those there are serve.
        }
    }

    void Serve()
    {
        unsigned seen = 0;
        std::unique_lock<std::mutex> lock(FLock);
        for (;;) {
            FWake.wait(lock, [&] { return FJob != seen && FTaken < FWanted; });
            seen = FJob;
            ++FTaken;
            const std::function<void()>& work = *FWork;
            lock.unlock();
            work();
            lock.lock();
            ++FDone;
            FFinished.notify_all();
        }
    }

    std::atomic<bool> FBusy{false};
    std::mutex FLock;
    std::condition_variable FWake, FFinished;
    std::vector<std::thread> FThreads;
    const std::function<void()>* FWork = nullptr;
    unsigned FJob = 0;
    int FWanted = 0, FTaken = 0, FDone = 0;
};

// Without the pool (it serves another caller): threads of this call's own.
void RunOnOwnThreads(int helpers, const std::function<void()>& helperWork, const std::function<void()>& callerWork)
{
    std::vector<std::thread> threads;
    try {
        for (int t = 0; t < helpers; ++t)
            threads.emplace_back(helperWork);
    } catch (...) {
        // Fewer threads to be had: those there are share the work.
    }
    callerWork();
    for (auto& t : threads)
        t.join();
}

// helperWork on up to `helpers` helper threads, the pool's or this call's own, beside callerWork
// on the calling thread.
void RunBeside(int helpers, const std::function<void()>& helperWork, const std::function<void()>& callerWork)
{
    if (helpers <= 0)
        callerWork();
    else if (!TWorkerPool::Instance().TryRun(helpers, helperWork, callerWork))
        RunOnOwnThreads(helpers, helperWork, callerWork);
}

}  // namespace

int ThreadCount(int64_t count, int64_t minPerThread)
{
    return int(std::clamp<int64_t>(count / std::max<int64_t>(1, minPerThread), 1, Cores()));
}

void ParallelBands(int count, int bands, int threads, const std::function<void(int, int)>& body)
{
    if (count <= 0)
        return;
    bands = std::clamp(bands, 1, count);
    threads = std::clamp(threads, 1, bands);
    std::atomic<int64_t> next{0};  // passes bands by one for every thread: no wrap-around
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex failureLock;
    const std::function<void()> work = [&] {
        for (int64_t b = next++; b < bands && !failed; b = next++) {
            try {
                body(int(int64_t(count) * b / bands), int(int64_t(count) * (b + 1) / bands));
            } catch (...) {
                std::lock_guard<std::mutex> lock(failureLock);
                if (!failure) failure = std::current_exception();
                failed = true;
            }
        }
    };
    RunBeside(threads - 1, work, work);
    if (failure)
        std::rethrow_exception(failure);
}

// Helpers claim items from a shared counter and mark each done on its own; nobody is woken for an
// item unless the caller is waiting for that very item, and helpers held back by the window are
// woken only once there is room for a turn of all of them, the caller waking one and each the
// next, so many small items cost no thread hand-off each and the caller keeps its core.
void MakeAheadInOrder(int count, int threads, const std::function<void(int)>& make, const std::function<void(int)>& use)
{
    MakeAheadInOrder(count, threads, TAheadBudget{}, [&](int i) -> int64_t { make(i); return 0; }, use);
}

void MakeAheadInOrder(int count, int threads, const TAheadBudget& budget, const std::function<int64_t(int)>& make,
                      const std::function<void(int)>& use)
{
    if (count <= 0)
        return;
    threads = std::clamp(threads, 1, count);
    const int window = 2 * threads;
    std::atomic<int> next{0};        // the next item to make
    std::atomic<int> turn{0};        // the item whose turn it is
    std::atomic<int> joined{0};      // helpers that have begun
    std::atomic<int> held{0};        // helpers waiting for room in the window
    std::atomic<int> awaited{-1};    // the item the caller waits for, if any
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::condition_variable itemDone, roomMade;
    std::vector<std::atomic<char>> done(static_cast<size_t>(count));
    for (auto& d : done)
        d.store(0, std::memory_order_relaxed);
    std::vector<std::exception_ptr> failures(static_cast<size_t>(count));
    std::exception_ptr failure;  // what ends the whole call
    // The budget, under `lock`: items are granted their cost in order.
    int granted = 0;                                      // items granted so far
    int64_t heldBytes = 0;                                // what granted items not yet used hold
    std::vector<int64_t> itemBytes(budget.Cost ? size_t(count) : 0);
    std::condition_variable budgetFreed;
    auto fits = [&](int64_t cost) {
        return heldBytes == 0 ||
               (cost <= budget.Bytes - heldBytes && uint64_t(heldBytes + cost) <= AvailableMemory());
    };
    // False when the call is ending before the item's grant.
    auto grant = [&](int i, int64_t cost) {
        std::unique_lock<std::mutex> guard(lock);
        budgetFreed.wait(guard, [&] { return stop || (granted == i && fits(cost)); });
        if (stop) return false;
        granted = i + 1;
        heldBytes += cost;
        itemBytes[size_t(i)] = cost;
        budgetFreed.notify_all();
        return true;
    };
    auto keep = [&](int i, int64_t bytes) {
        std::lock_guard<std::mutex> guard(lock);
        heldBytes += bytes - itemBytes[size_t(i)];
        itemBytes[size_t(i)] = bytes;
        budgetFreed.notify_all();
    };

    auto makeOne = [&](int i) {
        try {
            if (budget.Cost) {
                int64_t cost = 0;
                std::exception_ptr costFailure;
                try {
                    cost = std::max<int64_t>(0, budget.Cost(i));
                } catch (...) {
                    costFailure = std::current_exception();
                }
                if (!grant(i, costFailure ? 0 : cost)) {
                    done[size_t(i)].store(1);
                    return;
                }
                if (costFailure) std::rethrow_exception(costFailure);
                int64_t kept = 0;
                try {
                    kept = std::max<int64_t>(0, make(i));
                } catch (...) {
                    keep(i, 0);
                    throw;
                }
                keep(i, kept);
            } else {
                make(i);
            }
        } catch (...) {
            failures[size_t(i)] = std::current_exception();
        }
        done[size_t(i)].store(1);
        if (awaited.load() == i) {
            std::lock_guard<std::mutex> guard(lock);
            itemDone.notify_all();
        }
    };
    auto roomForAll = [&] { return next.load() + threads <= turn.load() + window; };
    const std::function<void()> helperWork = [&] {
        ++joined;
        for (;;) {
            int i = next.load();
            if (stop || i >= count)
                return;
            if (i >= turn.load() + window) {
                std::unique_lock<std::mutex> guard(lock);
                ++held;
                roomMade.wait(guard, [&] { return stop || next.load() >= count || roomForAll(); });
                --held;
                if (held.load() > 0)
                    roomMade.notify_one();  // the others wake one another, off the caller's thread
                continue;
            }
            if (next.compare_exchange_weak(i, i + 1))
                makeOne(i);
        }
    };
    const std::function<void()> callerWork = [&] {
        try {
            for (int i = 0; i < count; ++i) {
                turn.store(i);
                if (held.load() > 0 && roomForAll()) {
                    std::lock_guard<std::mutex> guard(lock);
                    roomMade.notify_one();
                }
                // Once a helper has begun, the caller only waits: its own turns (questions,
                // writes) are what the whole job waits for. Until then, and where no helper
                // ever begins, it makes the items itself.
                int unclaimed = i;
                if (joined.load() == 0 && next.compare_exchange_strong(unclaimed, i + 1))
                    makeOne(i);
                if (!done[size_t(i)].load()) {
                    std::unique_lock<std::mutex> guard(lock);
                    awaited.store(i);
                    itemDone.wait(guard, [&] { return done[size_t(i)].load() != 0; });
                    awaited.store(-1);
                }
                if (failures[size_t(i)])
                    std::rethrow_exception(failures[size_t(i)]);
                use(i);
                if (budget.Cost)
                    keep(i, 0);
            }
        } catch (...) {
            failure = std::current_exception();
        }
        stop = true;
        std::lock_guard<std::mutex> guard(lock);
        roomMade.notify_all();
        budgetFreed.notify_all();
    };
    RunBeside(threads > 1 ? threads : 0, helperWork, callerWork);
    if (failure)
        std::rethrow_exception(failure);
}

}  // namespace rtl
