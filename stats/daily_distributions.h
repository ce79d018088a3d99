// What the report draws of the daily depths beyond its table: the exceedance curve, return
// periods of annual maxima, the share of dry spells at least k days long, and the wettest day.
#pragma once

#include <optional>
#include <vector>

#include "gauge/calendar_series.h"
#include "stats/blocks.h"
#include "stats/calendar_summaries.h"

namespace raingen::stats {

struct CurvePoint {
  double x = 0;
  double y = 0;
};

// For each present day in order of decreasing depth: (depth, share of present days at least that
// deep), i.e. rank / n.
std::vector<CurvePoint> exceedance_curve(const Blocks& days);

// Annual maxima against their return period in years by the Weibull plotting position
// (n + 1) / rank, largest first: (return period, depth).
std::vector<CurvePoint> return_periods(const std::vector<AnnualMaximum>& maxima);

// (k, share of the spells at least k days long) for k = 1 .. the longest spell.
std::vector<CurvePoint> spell_survival(const std::vector<int>& lengths);

struct WettestDay {
  calendar::TimePoint start{};  // midnight at its start
  double total = 0;             // mm, as its daily block gives it
  std::vector<double> depths;   // its 96 interval depths, NaN where missing
};

// The present day with the largest total (the earliest of equals), with its intervals from the
// series; no value when no day is present.
std::optional<WettestDay> wettest_day(const Blocks& days, const gauge::CalendarSeries& series);

}  // namespace raingen::stats
