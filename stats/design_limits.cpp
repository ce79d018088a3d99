#include "stats/design_limits.h"

#include <algorithm>

namespace raingen::stats {

std::optional<double> Ceiling::plateau_from() const {
  if (reaching == 0) return std::nullopt;
  return static_cast<double>(years + 1) / static_cast<double>(reaching + above);
}

std::optional<double> Ceiling::plateau_to() const {
  if (reaching == 0 || above == 0) return std::nullopt;
  return static_cast<double>(years + 1) / static_cast<double>(above + 1);
}

bool Ceiling::at_ceiling(double return_period) const {
  // The relative margin keeps a return period equal to a bound, computed the other way, inside.
  const auto from = plateau_from(), to = plateau_to();
  return from && return_period >= *from * (1 - 1e-12) && (!to || return_period <= *to * (1 + 1e-12));
}

Ceiling ceiling_of(std::span<const double> ascending, double largest_recorded) {
  Ceiling c;
  c.largest = largest_recorded;
  c.years = ascending.size();
  const auto at = std::lower_bound(ascending.begin(), ascending.end(), (1 - ceiling_tolerance) * largest_recorded);
  const auto over = std::upper_bound(at, ascending.end(), (1 + ceiling_tolerance) * largest_recorded);
  c.reaching = static_cast<std::size_t>(over - at);
  c.above = static_cast<std::size_t>(ascending.end() - over);
  return c;
}

bool beyond_record(double return_period, double record_years) {
  return return_period > record_length_factor * record_years;
}

}  // namespace raingen::stats
