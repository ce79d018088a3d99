// The figures of a network of sites' series taken together: the correlation of every pair of
// sites at 15 minutes, 1 hour and 1 day, and the share of blocks wet at all sites at once.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "gauge/calendar_series.h"
#include "stats/correlation.h"

namespace raingen::stats {

// The block lengths, in minutes, at which sites are set against each other.
inline constexpr std::array<int, 3> network_levels{calendar::minutes_per_interval, 60, calendar::minutes_per_day};

struct PairCorrelation {
  std::size_t first = 0, second = 0;                  // the sites' indices, first < second
  std::array<Correlation, network_levels.size()> at;  // at each of network_levels
};

struct NetworkCorrelation {
  std::vector<PairCorrelation> pairs;  // (0,1), (0,2), ... (1,2), ...: every pair once
  std::array<JointWetness, network_levels.size()> wet;
};

// The sites' series summed into blocks (stats/blocks.h: left out below min_complete_percent), then
// correlated pair by pair and counted wet at all sites (above dry_threshold).
NetworkCorrelation network_correlation(const std::vector<const gauge::CalendarSeries*>& sites,
                                       double min_complete_percent, double dry_threshold);

}  // namespace raingen::stats
