#pragma once
// The least time of a few runs of some work, in milliseconds: the run least disturbed by
// the rest of the machine. `prepare` runs before each, outside the timing.

#include <algorithm>
#include <chrono>
#include <functional>

namespace tobrix::bench {

inline double BestMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        if (prepare)
            prepare();
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

inline double BestMs(int runs, const std::function<void()>& work) { return BestMs(runs, {}, work); }

} // namespace tobrix::bench
