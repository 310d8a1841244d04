#pragma once

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

} // namespace fetchly::markup::test
