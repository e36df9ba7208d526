#include "framework/rtl/Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace rtl {

int ThreadCount(int64_t count, int64_t minPerThread)
{
    const int64_t cores = std::clamp<int64_t>(std::thread::hardware_concurrency(), 1, 8);
    return int(std::clamp<int64_t>(count / std::max<int64_t>(1, minPerThread), 1, cores));
}

void ParallelBands(int count, int bands, int threads, const std::function<void(int, int)>& body)
{
    if (count <= 0)
        return;
    bands = std::clamp(bands, 1, count);
    threads = std::clamp(threads, 1, bands);
    if (threads == 1) {
        for (int b = 0; b < bands; ++b)
            body(int(int64_t(count) * b / bands), int(int64_t(count) * (b + 1) / bands));
        return;
    }
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto work = [&] {
        for (int b = next++; b < bands && !failed; b = next++) {
            try {
                body(int(int64_t(count) * b / bands), int(int64_t(count) * (b + 1) / bands));
            } catch (...) {
                std::lock_guard<std::mutex> lock(failureLock);
                if (!failure) failure = std::current_exception();
                failed = true;
            }
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(size_t(threads - 1));
    try {
        for (int t = 1; t < threads; ++t)
            helpers.emplace_back(work);
    } catch (...) {
        // Fewer threads than asked to be had: those there are take the bands.
    }
    work();
    for (auto& t : helpers)
        t.join();
    if (failure)
        std::rethrow_exception(failure);
}

}  // namespace rtl
