// A series by the calendar: each month's mean total and share of wet days, and for each season
// (months grouped, every month in one) its mean daily depth, its share of wet days, the 99th
// percentile of its wet 15-minute and 1-hour depths and its largest ones. What shows whether a
// generated series keeps the record's seasons: a generator without seasons gives every month the
// same rain and every season the same storms.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "stats/series_statistics.h"

namespace raingen::stats {

// Months grouped into seasons: the season (from 0, below count) of each month, January first.
struct SeasonGrouping {
  std::array<std::size_t, 12> season_of{};
  std::size_t count = 1;
};

struct SeasonFigures {
  long days = 0;                        // present days of the season
  std::optional<double> mean_daily;     // mm a day over those days
  std::optional<double> wet_day_share;  // of those days, the share above the dry threshold
  std::optional<double> wet_15min_p99;  // 99th percentile of the present 15-minute depths above it
  std::optional<double> wet_hour_p99;   // the same of the 1-hour blocks
  std::optional<double> largest_15min;  // the largest present 15-minute depth
  std::optional<double> largest_hour;   // the largest 1-hour block
};

struct CalendarFigures {
  std::array<std::optional<double>, 12> monthly_totals;      // mean_monthly_totals: months that count
  std::array<std::optional<double>, 12> monthly_wet_shares;  // wet days over present days of those months
  std::array<int, 12> months_counted{};                      // how many months of each stand behind them
  std::vector<SeasonFigures> seasons;                        // one per season, in order
};

// Reads the 15-minute, 1-hour and daily blocks of statistics (a block left out is no day or depth
// of its season), a block being wet above dry_threshold; a block belongs to the season of the
// month it begins in, a month counts as mean_monthly_totals counts it (90% of its days present).
CalendarFigures calendar_figures(const SeriesStatistics& statistics, const SeasonGrouping& seasons,
                                 double dry_threshold);

}  // namespace raingen::stats
