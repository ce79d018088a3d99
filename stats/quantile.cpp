#include "stats/quantile.h"

#include <algorithm>
#include <cmath>

namespace raingen::stats {

double quantile(const std::vector<double>& sorted, double p) {
  const double position = static_cast<double>(sorted.size() - 1) * p;
  const std::size_t below = static_cast<std::size_t>(std::floor(position));
  const std::size_t above = std::min(below + 1, sorted.size() - 1);
  return sorted[below] + (position - static_cast<double>(below)) * (sorted[above] - sorted[below]);
}

}  // namespace raingen::stats
