// Summaries of blocks by calendar year and month: the annual maxima behind annual_max_mean and
// the return-period chart, and the mean monthly totals.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "stats/blocks.h"

namespace raingen::stats {

// Share of a calendar year's (or month's) blocks that must be present for it to count.
inline constexpr double calendar_complete_share = 0.9;

struct AnnualMaximum {
  int year = 0;
  double depth = 0;  // the year's largest block, mm
};

// One entry per calendar year with at least 90% of its blocks present (blocks outside the
// series count as absent), in year order.
std::vector<AnnualMaximum> annual_maxima(const Blocks& blocks);
// Mean of the annual maxima; no value without a year that counts.
std::optional<double> annual_max_mean(const Blocks& blocks);

// Mean total of each calendar month (January first) over the months of the series with at least
// 90% of their days present, from daily blocks; NaN for a month that never counts.
std::array<double, 12> mean_monthly_totals(const Blocks& days);

}  // namespace raingen::stats
