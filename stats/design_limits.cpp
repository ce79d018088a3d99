#include "stats/design_limits.h"

#include <algorithm>

namespace raingen::stats {

std::optional<double> Ceiling::plateau_from() const {
  if (reaching == 0) return std::nullopt;
  return static_cast<double>(years + 1) / static_cast<double>(reaching);
}

Ceiling ceiling_of(std::span<const double> ascending, double largest_recorded) {
  Ceiling c;
  c.largest = largest_recorded;
  c.years = ascending.size();
  const double threshold = (1 - ceiling_tolerance) * largest_recorded;
  c.reaching = static_cast<std::size_t>(ascending.end() - std::lower_bound(ascending.begin(), ascending.end(), threshold));
  return c;
}

bool beyond_record(double return_period, double record_years) { return return_period > record_length_factor * record_years; }

}  // namespace raingen::stats
