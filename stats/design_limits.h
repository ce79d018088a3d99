// What the generated rain cannot tell, in numbers. The generator copies whole recorded days:
// within a day it gives no more than the records' days hold, and however many years it
// generates, their extremes carry no more information than the record's own years do. Only a
// window across midnight, which joins two recorded days that need never have followed each
// other, can pass the record's largest depth (at 12 and 24 hours it does). Two limits follow:
//   - the ceiling: annual maxima pile up at the largest recorded depth; where k of n maxima are
//     at it and m above it, the Weibull levels of the return periods from (n + 1) / (k + m) to
//     (n + 1) / (m + 1) years (to the end, n + 1, when m = 0) are that depth, not design values;
//   - the record's length: a return level beyond twice the record's years is an extrapolation
//     of its tail (a common limit for annual maxima at one site), whatever the generated years.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

namespace raingen::stats {

inline constexpr double record_length_factor = 2;
// Maxima within 1% of the largest recorded depth count as reaching it: the station files round
// each 15-minute depth to 0.01 mm and the results table to 0.001 mm, which moves a depth by a
// fraction of 1% (at most 0.005 mm an interval).
inline constexpr double ceiling_tolerance = 0.01;

struct Ceiling {
  double largest = 0;        // the largest recorded depth, mm
  std::size_t years = 0;     // annual maxima
  std::size_t reaching = 0;  // annual maxima at it: within the tolerance of largest, either side
  std::size_t above = 0;     // annual maxima above (1 + tolerance) x largest
  double share() const { return years ? static_cast<double>(reaching) / static_cast<double>(years) : 0; }
  double share_above() const { return years ? static_cast<double>(above) / static_cast<double>(years) : 0; }
  // The return periods whose Weibull levels are the ceiling: from plateau_from() on, up to
  // plateau_to() when some maxima lie above it (none: to the end); none when no maximum is at it.
  std::optional<double> plateau_from() const;
  std::optional<double> plateau_to() const;
  bool at_ceiling(double return_period) const;
};

// Of ascending maxima, how many are at the largest recorded depth and how many above it.
Ceiling ceiling_of(std::span<const double> ascending, double largest_recorded);

// Whether a return period lies beyond what a record of record_years supports.
bool beyond_record(double return_period, double record_years);

}  // namespace raingen::stats
