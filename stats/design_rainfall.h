// Depth-duration-frequency from annual maxima: at each design duration the return levels of
// design_return_periods by the Weibull plotting position and by a GEV fitted by L-moments, each
// with a 90% bootstrap interval (years resampled with replacement, all durations of a year
// together, so that the intervals of one table come from the same resamples).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "stats/bootstrap.h"
#include "stats/return_levels.h"
#include "stats/window_maxima.h"

namespace raingen::stats {

// A GEV is fitted to at least this many maxima: with fewer, the L-skewness that sets its shape
// varies by more than the shapes of rainfall maxima do (its standard error is about 0.6 / sqrt(n)
// for samples from a Gumbel distribution; sqrt(10) makes that 0.2, the whole range from a heavy
// to a bounded tail).
inline constexpr std::size_t gev_min_years = 10;
// An interval is given when at least this share of the resamples give a value.
inline constexpr double interval_min_share = 0.9;

enum class DesignMethod { empirical, gev };
inline constexpr std::array<DesignMethod, 2> design_methods{DesignMethod::gev, DesignMethod::empirical};
std::string_view method_name(DesignMethod method);  // "gev", "empirical"

struct ReturnLevel {
  double years = 0;
  std::optional<double> value, lower, upper;  // mm
};
using PeriodRow = std::array<ReturnLevel, design_return_periods.size()>;

struct DurationDesign {
  int minutes = 0;
  std::vector<double> maxima;  // the annual maxima, ascending
  std::optional<Gev> gev;      // with gev_min_years maxima or more
  PeriodRow empirical{}, gev_levels{};
  const PeriodRow& levels(DesignMethod method) const { return method == DesignMethod::gev ? gev_levels : empirical; }
};

struct BootstrapSettings {
  std::uint64_t seed = bootstrap_seed;
  int resamples = bootstrap_resamples;
};

struct DesignRainfall {
  std::size_t years = 0;                  // annual maxima behind each duration
  std::vector<DurationDesign> durations;  // one per design duration, in order
};

// From the maxima of each year counted (any order).
DesignRainfall design_rainfall(const std::vector<DurationDepths>& maxima, const BootstrapSettings& bootstrap = {});

// The maxima of the years counted.
std::vector<DurationDepths> counted_maxima(const std::vector<WindowYear>& years);

}  // namespace raingen::stats
