#include "stats/midnights.h"

#include "gauge/dry_day.h"

namespace raingen::stats {

std::optional<double> Midnights::share() const {
  if (ending_wet == 0) return std::nullopt;
  return static_cast<double>(running_on) / static_cast<double>(ending_wet);
}

Midnights midnights_of(const gauge::CalendarSeries& series, double dry_threshold) {
  Midnights m;
  if (series.size() < 2) return m;
  const calendar::IntervalIndex first = calendar::interval_beginning(series.start());
  // The first k whose interval ends at a midnight: (first + k + 1) is a multiple of a day's count.
  const calendar::IntervalIndex per_day = calendar::intervals_per_day;
  std::size_t k = static_cast<std::size_t>(((-(first + 1)) % per_day + per_day) % per_day);
  for (; k + 1 < series.size(); k += static_cast<std::size_t>(per_day)) {
    if (!series.present(k) || !series.present(k + 1)) continue;
    if (gauge::is_dry(series.depth(k), dry_threshold)) continue;
    ++m.ending_wet;
    if (!gauge::is_dry(series.depth(k + 1), dry_threshold)) ++m.running_on;
  }
  return m;
}

}  // namespace raingen::stats
