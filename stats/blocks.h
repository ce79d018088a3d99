// A calendar series summed into blocks of 15, 60, 360 or 1440 minutes aligned to midnight: the
// form every statistic of the report reads.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

#include "gauge/calendar_series.h"

namespace raingen::stats {

// The aggregation levels of the report, in minutes; each divides a day.
inline constexpr std::array<int, 4> aggregation_levels{calendar::minutes_per_interval, 60, 360,
                                                       calendar::minutes_per_day};

struct Blocks {
  calendar::TimePoint start{};  // start of block 0, a multiple of length after a midnight
  calendar::Minutes length = calendar::interval_length;
  std::vector<double> depths;  // mm per block; NaN: the block is left out

  std::size_t size() const { return depths.size(); }
  bool present(std::size_t k) const { return !std::isnan(depths[k]); }
  std::size_t present_count() const {
    std::size_t n = 0;
    for (double d : depths) n += !std::isnan(d);
    return n;
  }
  calendar::TimePoint block_start(std::size_t k) const { return start + static_cast<long>(k) * length; }
};

// Sums the series into blocks of `minutes` (a divisor of 1440 and a multiple of 15) from the
// block holding the series' first interval to the block holding its last. Intervals outside the
// series count as missing. A block is left out when none of its values is present or fewer than
// min_complete_percent of them are; the missing values of a kept block count as dry.
Blocks aggregate(const gauge::CalendarSeries& series, int minutes, double min_complete_percent);

}  // namespace raingen::stats
