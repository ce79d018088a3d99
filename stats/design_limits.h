// What the generated rain cannot tell, in numbers. The generator copies whole recorded days: it
// never gives a depth beyond the largest its records hold, and however many years it generates,
// their extremes carry no more information than the record's own years do. Two limits follow:
//   - the ceiling: annual maxima at (or above) the largest recorded depth pile up there; where
//     k of n maxima do, every return period from (n + 1) / k years on (where the Weibull
//     plotting position reaches them) is that largest depth, not a design value;
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
  double largest = 0;            // the largest recorded depth, mm
  std::size_t years = 0;         // annual maxima
  std::size_t reaching = 0;      // annual maxima at or above (1 - tolerance) x largest
  double share() const { return years ? static_cast<double>(reaching) / static_cast<double>(years) : 0; }
  // The return period from which the Weibull levels are the ceiling; none when no maximum reaches it.
  std::optional<double> plateau_from() const;
};

// Of ascending maxima, how many reach the largest recorded depth.
Ceiling ceiling_of(std::span<const double> ascending, double largest_recorded);

// Whether a return period lies beyond what a record of record_years supports.
bool beyond_record(double return_period, double record_years);

}  // namespace raingen::stats
