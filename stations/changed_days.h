// A record's days under a changed climate (--change, stations/climate_change.h), before they are made
// station files: every path of raingen-prepare (a station, a site station, seasons, a network's
// sites) changes its days here, so the files differ from today's only by the change.
//
// Depths: each wet 15-minute depth as written (0.01 mm) takes the factor of its quantile among the
// wet depths of the record's wet days (mid-rank: the share of depths below it and half of those
// equal), rounded to 0.01 mm and kept at 0.01 mm at least, so a wet interval stays wet. A heavier
// depth never becomes lighter than a lighter one, and the dry intervals stay dry: a day keeps its
// shape.
// Wet days: month of the year by month, |P|% of its wet days (rounded) are made dry, evenly spaced
// in date order, or as many of its dry days made wet, evenly spaced among them, each a copy of the
// (changed) wet day nearest in date in the same month of the year: every month's pool changes alike. The spells are
// then counted on the changed days, so the spell table and the pool change together and the share of wet days moves by
// P%.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "stations/climate_change.h"
#include "stations/days.h"

namespace raingen::stations {

inline constexpr std::array<double, 4> change_quantiles{0.5, 0.9, 0.99, 0.999};

// What a change did, for the summary and RAINGEN.TXT.
struct ChangeResult {
  std::array<double, change_quantiles.size()> factors{};  // at change_quantiles
  long complete_days = 0, wet_before = 0, wet_after = 0, removed = 0, added = 0;
  std::int64_t wet_total_before = 0, wet_total_after = 0;  // hundredths of a mm, over the wet days
  std::int64_t largest_before = 0, largest_after = 0;      // the largest 15-minute depth, hundredths
};

// Which days a wet-day change turns, from the days' kinds alone, so that a network's sites turn the
// same dates: the kinds after, and each day made wet with the day it copies.
struct WetDayChange {
  std::vector<DayKind> kinds{};
  std::vector<std::pair<std::size_t, std::size_t>> copies{};  // (day made wet, wet day it copies)
  long removed = 0, added = 0;
};

// Throws ToolError naming source when more dry days are asked to turn wet than there are.
WetDayChange wet_day_change(const std::vector<DayKind>& kinds, calendar::Day first_day, double percent,
                            const std::string& source);

// The wet depths of days' wet days scaled by climate; returns the factor at each of change_quantiles.
std::array<double, change_quantiles.size()> scale_depths(RecordDays& days, const ClimateChange& climate);

// The days' kinds made those of change, a day made dry emptied, a day made wet the copy of its day.
void turn_days(RecordDays& days, const WetDayChange& change);

// Both changes of climate on days (depths first, so a copy carries the changed depths): the wet days
// turned as turned says when it is given (a network's, the same at every site), else as
// wet_day_change makes them from days' kinds.
ChangeResult change_days(RecordDays& days, const ClimateChange& climate, const std::string& source,
                         const WetDayChange* turned = nullptr);

// "p50 x1.000, p90 x1.100, p99 x1.300, p99.9 x1.300; wet days 1234 -> 1111 of 4000 complete days
// (30.85% -> 27.78%, 123 made dry); wet-day depth 2345.67 -> 2567.89 mm; largest 15-minute depth
// 12.34 -> 16.04 mm".
std::string change_result_text(const ChangeResult& result);

}  // namespace raingen::stations
