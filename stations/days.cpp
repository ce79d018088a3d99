#include "stations/days.h"

#include <algorithm>
#include <cmath>

#include "gauge/dry_day.h"
#include "stations/station_files.h"

namespace raingen::stations {

using calendar::intervals_per_day;

bool is_complete(int present, double min_complete_percent) {
  return present * 100.0 >= min_complete_percent * intervals_per_day - 1e-9;
}

long RecordDays::count(DayKind kind) const { return static_cast<long>(std::count(kinds.begin(), kinds.end(), kind)); }

long RecordDays::complete_at(double min_complete_percent) const {
  return static_cast<long>(
      std::count_if(present.begin(), present.end(), [&](int p) { return is_complete(p, min_complete_percent); }));
}

DayKind day_kind(const double* depths, const DayOptions& options) {
  int present = 0;
  std::int64_t written = 0;
  for (int j = 0; j < intervals_per_day; ++j) {
    if (std::isnan(depths[j])) continue;
    ++present;
    written += hundredths(depths[j]);
  }
  if (!is_complete(present, options.min_complete_percent)) return DayKind::incomplete;
  return gauge::is_dry(static_cast<double>(written) / 100.0, options.wet_threshold) ? DayKind::dry : DayKind::wet;
}

RecordDays split_days(const gauge::CalendarSeries& series, const DayOptions& options) {
  RecordDays days;
  if (series.empty()) return days;
  const calendar::IntervalIndex start_interval = calendar::interval_beginning(series.start());
  const calendar::IntervalIndex last_interval =
      start_interval + static_cast<calendar::IntervalIndex>(series.size()) - 1;
  days.first_day = calendar::day_of_interval(start_interval);
  const auto day_count =
      static_cast<std::size_t>((calendar::day_of_interval(last_interval) - days.first_day).count() + 1);
  days.kinds.resize(day_count);
  days.present.resize(day_count);
  days.depths.assign(day_count * intervals_per_day, gauge::CalendarSeries::missing_value());
  // where the series' interval 0 falls
  const auto offset = static_cast<std::size_t>(start_interval - calendar::first_interval_of(days.first_day));
  for (std::size_t k = 0; k < series.size(); ++k) days.depths[offset + k] = series.depth(k);

  for (std::size_t d = 0; d < day_count; ++d) {
    double* depth = days.depths.data() + intervals_per_day * d;
    int present = 0;
    for (int j = 0; j < intervals_per_day; ++j) present += std::isnan(depth[j]) ? 0 : 1;
    days.present[d] = static_cast<std::uint8_t>(present);
    if (!is_complete(present, options.min_complete_percent)) {
      days.kinds[d] = DayKind::incomplete;
      continue;
    }
    for (int j = 0; j < intervals_per_day; ++j) {
      if (std::isnan(depth[j])) depth[j] = 0.0;
      days.total_read += depth[j];
    }
    if (present < intervals_per_day) {
      ++days.filled_days;
      days.filled_intervals += intervals_per_day - present;
    }
    days.kinds[d] = day_kind(depth, options);
  }
  return days;
}

std::vector<DayKind> kinds_in_season(const RecordDays& days, const Season& season) {
  std::vector<DayKind> kinds = days.kinds;
  for (std::size_t d = 0; d < kinds.size(); ++d) {
    const date::year_month_day date{days.first_day + calendar::Days{static_cast<long>(d)}};
    if (!season.holds(static_cast<unsigned>(date.month()))) kinds[d] = DayKind::outside;
  }
  return kinds;
}

}  // namespace raingen::stations
