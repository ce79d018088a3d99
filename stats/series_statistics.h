// The statistics of one series at every aggregation level, as the report's table and
// statistics.csv give them, together with the blocks they came from (the charts read those).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gauge/calendar_series.h"
#include "stats/blocks.h"
#include "stats/diurnal.h"
#include "stats/events.h"
#include "stats/midnights.h"
#include "stats/spells.h"
#include "stats/window_maxima.h"

namespace raingen::stats {

enum class Statistic {
  mean,
  variance,
  cv,
  skewness,
  lag1_autocorrelation,
  probability_dry,
  annual_max_mean,
  mean_dry_spell_days,  // daily level only
  mean_wet_spell_days,  // daily level only
};

// The name in statistics.csv ("lag1_autocorrelation").
std::string_view statistic_name(Statistic statistic);
// The statistics of a level, in the order of the table.
std::vector<Statistic> statistics_at(int minutes);

struct StatisticsOptions {
  double min_complete_percent = 100;
  double dry_threshold = 0;
  YearRule years;  // for the annual maxima by sliding window
  EventRule events;
};

struct LevelStatistics {
  int minutes = 0;
  Blocks blocks;
  std::vector<std::pair<Statistic, std::optional<double>>> values;  // no value: left empty

  std::optional<double> value(Statistic statistic) const;
};

// The daily depths (mm) at which every series keeps the share of its present days at least that wet:
// enough for a realization's band on the daily-depth chart without its days.
inline constexpr std::array<double, 25> daily_depth_marks{0.1, 0.2, 0.5, 1,  2,  3,  4,   5,   7.5, 10,  12.5, 15, 20,
                                                          25,  30,  40,  50, 60, 80, 100, 125, 150, 200, 300,  500};

struct SeriesStatistics {
  std::string name;                                               // "record:ID", "weighted-record", "generated", ...
  std::vector<LevelStatistics> levels;                            // one per aggregation level, in order
  Spells spells;                                                  // of the daily blocks
  std::vector<WindowYear> window_years;                           // annual maxima by sliding window, every year touched
  std::array<double, 12> monthly_totals{};                        // mean_monthly_totals of the daily blocks
  Midnights midnights;                                            // rain running on across midnight
  EventSummary events;                                            // rain events (options.events)
  Diurnal diurnal;                                                // by hour of the day
  std::array<double, event_share_count> intensities{};            // 15-minute intensities (mm/h) at event_shares
  std::array<double, daily_depth_marks.size()> daily_at_least{};  // share of present days >= each mark; NaN: none
  std::vector<double> annual_maxima_day, annual_maxima_hour;  // annual_maxima of 1-day and 1-hour blocks, largest first

  const LevelStatistics& level(int minutes) const;  // throws std::out_of_range
};

SeriesStatistics compute_statistics(const gauge::CalendarSeries& series, const StatisticsOptions& options);

}  // namespace raingen::stats
