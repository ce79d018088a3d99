// The days of a record, as the station files need them: a day (00:00 to 24:00) is complete when
// enough of its 96 intervals are present, and a complete day is wet or dry (gauge/dry_day.h) by
// its total as written (each depth rounded to 0.01 mm). An incomplete day is neither.
#pragma once

#include <cstdint>
#include <vector>

#include "calendar/interval.h"
#include "gauge/calendar_series.h"
#include "stations/seasons.h"

namespace raingen::stations {

struct DayOptions {
  // A day is complete when at least this share (in percent) of its intervals is present; its
  // missing intervals are then taken as dry.
  double min_complete_percent = 100;
  // A complete day is wet when its total is above this (mm), else dry.
  double wet_threshold = 0;
};

// outside: a day of a season other than the one being prepared (kinds_in_season); a spell does not
// run through it, as it does not run through an incomplete day.
enum class DayKind : std::uint8_t { wet, dry, incomplete, outside };

// Whether a day with `present` of its intervals present is complete at min_complete_percent.
bool is_complete(int present, double min_complete_percent);

struct RecordDays {
  calendar::Day first_day{};  // the day of kinds[0]
  std::vector<DayKind> kinds;
  std::vector<double> depths;         // 96 per day; in complete days missing intervals are 0.0
  std::vector<std::uint8_t> present;  // per day, its intervals present (before any is taken as dry)
  long filled_days = 0;               // complete days that had missing intervals
  long filled_intervals = 0;          // the intervals so taken as dry
  double total_read = 0;              // mm over the complete days, as read

  std::size_t size() const { return kinds.size(); }
  long count(DayKind kind) const;
  long complete_at(double min_complete_percent) const;  // the days complete at that percentage
  const double* day_depths(std::size_t d) const { return depths.data() + calendar::intervals_per_day * d; }
};

// The kind of a day from its 96 depths (NaN: missing): incomplete below min_complete_percent, else
// wet or dry by the total of its present depths as written. split_days gives each day this kind.
DayKind day_kind(const double* depths, const DayOptions& options);

// The whole days the series touches, from the day of its first interval to the day of its last.
RecordDays split_days(const gauge::CalendarSeries& series, const DayOptions& options);

// The kinds of the days, every day of a month that season does not hold made outside.
std::vector<DayKind> kinds_in_season(const RecordDays& days, const Season& season);

}  // namespace raingen::stations
