// Return levels: the annual maximum exceeded on average once in T years, read off the annual
// maxima themselves (the Weibull plotting position) or off a GEV fitted to them by L-moments.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "stats/l_moments.h"

namespace raingen::stats {

// The return periods of the design tables, in years.
inline constexpr std::array<double, 6> design_return_periods{2, 5, 10, 20, 50, 100};
using PeriodLevels = std::array<std::optional<double>, design_return_periods.size()>;

// The Weibull plotting position gives the i-th smallest of n maxima the non-exceedance
// probability i / (n + 1); the T-year level is the maximum at position (n + 1)(1 - 1/T),
// interpolated linearly between neighbours. None outside positions 1 .. n, i.e. for T beyond
// n + 1 years (or below (n + 1) / n): the maxima do not reach that far. Ascending values, each
// counted once or counts[i] times (a bootstrap resample).
std::optional<double> weibull_return_level(std::span<const double> ascending, double years);
PeriodLevels weibull_return_levels(std::span<const double> ascending, std::span<const std::uint32_t> counts);

double gev_return_level(const Gev& gev, double years);

}  // namespace raingen::stats
