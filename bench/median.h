// The figure every bench reports: the middle of its timings, which one slow
// run on a shared machine does not move the way it moves a mean.
#pragma once

#include <algorithm>
#include <vector>

namespace kavrel::bench {

// The upper middle for an even count; 0 for no timings at all.
inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace kavrel::bench
