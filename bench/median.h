// The median of a benchmark's repetitions: the figure the benchmarks report, since one slow
// repetition on a shared machine says more about the machine than about the work.
#pragma once

#include <algorithm>
#include <vector>

namespace raingen::bench {

inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace raingen::bench
