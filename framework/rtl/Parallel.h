// Long work done side by side on one pool of helper threads kept for the life of the process:
// bands of consecutive items, and items made ahead of a caller that takes them in order. Where a
// helper thread cannot be had, the calling thread does its share: the work is slower, never lost.
#pragma once

#include <cstdint>
#include <functional>

namespace rtl {

// The threads worth having: one for every minPerThread of the count, at least 1, at most the
// cores, and never more than 8.
int ThreadCount(int64_t count, int64_t minPerThread);

// Runs body(begin, end) over [0, count) cut into `bands` consecutive bands of about equal size.
// Up to `threads` threads take the bands in turn, the calling thread among them, so a thread that
// falls behind holds up only its own band. Returns when every band is done; an exception thrown
// by a band reaches the caller then, and the bands not yet begun are skipped.
void ParallelBands(int count, int bands, int threads, const std::function<void(int begin, int end)>& body);

// Runs make(i) for every i in [0, count) on up to `threads` helper threads (none with one thread),
// ahead of the calling thread, which runs use(i) in the order of i once make(i) is done. Helpers
// stay at most 2 * threads items ahead of the item in use. Until a helper has begun (and with one
// thread, or where no helper can be had) the calling thread makes each item just before its use.
// An exception from make(i) reaches the caller at item i's turn, in place of use(i); an exception
// from use(i) reaches it at once. Either way the items not yet begun are skipped, and the call
// returns only once every helper has finished the item it was making.
void MakeAheadInOrder(int count, int threads, const std::function<void(int)>& make, const std::function<void(int)>& use);

// A bound on the bytes that items made ahead hold at once. Cost(i) is what making item i may take
// at most; it is asked by the thread that makes the item, just before. An item is begun only once
// every item before it has been, and its cost fits beside what the items begun and not yet used
// hold, both within Bytes and within the memory free now (AvailableMemory); or once nothing is
// held at all, so that every item is made in the end.
struct TAheadBudget {
    int64_t Bytes = INT64_MAX;
    std::function<int64_t(int)> Cost;
};

// MakeAheadInOrder within a budget: make(i) returns the bytes item i still holds once made, which
// count against the budget until use(i) has ended (its cost counts while it is made).
void MakeAheadInOrder(int count, int threads, const TAheadBudget& budget, const std::function<int64_t(int)>& make,
                      const std::function<void(int)>& use);

}  // namespace rtl
