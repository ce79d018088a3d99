// The quantile of sorted values that the tools report everywhere: linear between the order
// statistics at positions (n - 1) p (the default of R and numpy).
#pragma once

#include <vector>

namespace raingen::stats {

// The p-quantile (0 <= p <= 1) of sorted values (at least one).
double quantile(const std::vector<double>& sorted, double p);

}  // namespace raingen::stats
