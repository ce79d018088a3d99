#include "stations/days.h"

#include <algorithm>
#include <cmath>

#include "gauge/dry_day.h"
#include "stations/station_files.h"

namespace raingen::stations {

namespace {
std::int64_t floor_div(std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
}  // namespace

long RecordDays::count(DayKind kind) const { return static_cast<long>(std::count(kinds.begin(), kinds.end(), kind)); }

RecordDays split_days(const gauge::CalendarSeries& series, const DayOptions& options) {
  RecordDays days;
  if (series.empty()) return days;
  const std::int64_t start_interval = series.start().time_since_epoch().count() / 15;
  days.first_day = floor_div(start_interval, 96);
  const std::int64_t last_day = floor_div(start_interval + static_cast<std::int64_t>(series.size()) - 1, 96);
  const auto day_count = static_cast<std::size_t>(last_day - days.first_day + 1);
  days.kinds.resize(day_count);
  days.depths.assign(day_count * 96, gauge::CalendarSeries::missing_value());
  const std::int64_t offset = start_interval - days.first_day * 96;  // where the series' interval 0 falls
  for (std::size_t k = 0; k < series.size(); ++k) days.depths[static_cast<std::size_t>(offset) + k] = series.depth(k);

  for (std::size_t d = 0; d < day_count; ++d) {
    double* depth = days.depths.data() + 96 * d;
    int present = 0;
    for (int j = 0; j < 96; ++j) present += std::isnan(depth[j]) ? 0 : 1;
    if (present * 100.0 < options.min_complete_percent * 96 - 1e-9) {
      days.kinds[d] = DayKind::incomplete;
      continue;
    }
    std::int64_t written = 0;
    for (int j = 0; j < 96; ++j) {
      if (std::isnan(depth[j])) depth[j] = 0.0;
      days.total_read += depth[j];
      written += hundredths(depth[j]);
    }
    if (present < 96) {
      ++days.filled_days;
      days.filled_intervals += 96 - present;
    }
    const double total_written = static_cast<double>(written) / 100.0;
    days.kinds[d] = gauge::is_dry(total_written, options.wet_threshold) ? DayKind::dry : DayKind::wet;
  }
  return days;
}

}  // namespace raingen::stations
