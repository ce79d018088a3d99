#include "stats/diurnal.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "stats/quantile.h"

namespace raingen::stats {

Diurnal diurnal_of(const gauge::CalendarSeries& series) {
  std::array<double, 24> sum{}, present{}, wet{};
  const calendar::IntervalIndex first = calendar::interval_beginning(series.start());
  const calendar::IntervalIndex per_day = calendar::intervals_per_day;
  for (std::size_t k = 0; k < series.size(); ++k) {
    if (!series.present(k)) continue;
    const calendar::IntervalIndex of_day =
        ((first + static_cast<calendar::IntervalIndex>(k)) % per_day + per_day) % per_day;
    const std::size_t hour = static_cast<std::size_t>(of_day / 4);
    const double d = series.depth(k);
    sum[hour] += d;
    present[hour] += 1;
    wet[hour] += d > 0;
  }
  Diurnal out;
  for (std::size_t h = 0; h < 24; ++h) {
    out.mean_depth[h] = present[h] > 0 ? 4 * sum[h] / present[h] : std::numeric_limits<double>::quiet_NaN();
    out.wet_share[h] = present[h] > 0 ? wet[h] / present[h] : std::numeric_limits<double>::quiet_NaN();
  }
  return out;
}

std::array<double, event_share_count> intensities_at_shares(const gauge::CalendarSeries& series) {
  std::vector<double> values;
  for (std::size_t k = 0; k < series.size(); ++k)
    if (series.present(k) && series.depth(k) > 0) values.push_back(4 * series.depth(k));
  std::array<double, event_share_count> out;
  out.fill(std::numeric_limits<double>::quiet_NaN());
  if (values.empty()) return out;
  std::sort(values.begin(), values.end());
  for (std::size_t i = 0; i < event_share_count; ++i)
    if (event_shares[i] * static_cast<double>(values.size()) >= 1) out[i] = quantile(values, 1 - event_shares[i]);
  return out;
}

}  // namespace raingen::stats
