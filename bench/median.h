// The median the benchmarks report: the middle of the sorted figures, or
// the mean of the two middle ones when there is an even number of them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace nubra::bench {

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace nubra::bench
