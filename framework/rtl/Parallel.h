// Work cut into bands of consecutive items, done side by side by threads of their own.
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

}  // namespace rtl
