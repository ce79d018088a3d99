// The rain of each hour of the day and the 15-minute intensities: what a day drawn whole keeps
// (the generator copies recorded days, so its hours should follow the record's) and what a
// drainage model's inlet sees.
#pragma once

#include <array>
#include <cstddef>

#include "gauge/calendar_series.h"
#include "stats/events.h"

namespace raingen::stats {

struct Diurnal {
  // For each hour of the day (0 = 00:00-01:00, by the interval's start): the mean depth of that
  // hour over the present intervals (mm per hour: 4 x the mean 15-minute depth) and the share of
  // its present intervals that are wet (above 0 mm). NaN for an hour with none present.
  std::array<double, 24> mean_depth{}, wet_share{};
};

Diurnal diurnal_of(const gauge::CalendarSeries& series);

// The intensity (mm/h, 4 x the depth) of the wet 15-minute intervals (above 0 mm) at each share of
// event_shares: the value that that share of the wet intervals reach or pass (quantile at 1 - share,
// NaN where the share is below 1 / n).
std::array<double, event_share_count> intensities_at_shares(const gauge::CalendarSeries& series);

}  // namespace raingen::stats
