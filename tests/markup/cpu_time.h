#pragma once

#include <algorithm>
#include <ctime>

namespace fetchly::markup::test {

// Sanitizer builds run several times slower; time bounds allow for it.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr double kTimeAllowance = 5;
#else
inline constexpr double kTimeAllowance = 1;
#endif

// Processor seconds that `work` takes: unlike wall time, other processes on
// a loaded machine hardly change it.
template <typename Work> double CpuSeconds(Work &&work)
{
    const std::clock_t start = std::clock();
    work();
    return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

// The best of three runs: a busy machine can only slow a run down, so a
// bound on the best one holds on a loaded machine and still catches work
// that grew.
template <typename Work> double BestCpuSeconds(Work &&work)
{
    double best = CpuSeconds(work);
    for (int i = 1; i < 3; ++i)
        best = std::min(best, CpuSeconds(work));
    return best;
}

} // namespace fetchly::markup::test
