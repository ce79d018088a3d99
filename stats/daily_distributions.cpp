#include "stats/daily_distributions.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace raingen::stats {

std::vector<CurvePoint> exceedance_curve(const Blocks& days) {
  std::vector<double> depths;
  for (double v : days.depths)
    if (!std::isnan(v)) depths.push_back(v);
  std::sort(depths.begin(), depths.end(), std::greater<>());
  std::vector<CurvePoint> curve;
  curve.reserve(depths.size());
  const double n = static_cast<double>(depths.size());
  for (std::size_t i = 0; i < depths.size(); ++i) curve.push_back({depths[i], static_cast<double>(i + 1) / n});
  return curve;
}

std::vector<CurvePoint> return_periods(const std::vector<AnnualMaximum>& maxima) {
  std::vector<double> depths;
  for (const AnnualMaximum& m : maxima) depths.push_back(m.depth);
  std::sort(depths.begin(), depths.end(), std::greater<>());
  std::vector<CurvePoint> points;
  const double n = static_cast<double>(depths.size());
  for (std::size_t i = 0; i < depths.size(); ++i) points.push_back({(n + 1) / static_cast<double>(i + 1), depths[i]});
  return points;
}

std::vector<CurvePoint> spell_survival(const std::vector<int>& lengths) {
  std::vector<CurvePoint> points;
  if (lengths.empty()) return points;
  const int longest = *std::max_element(lengths.begin(), lengths.end());
  std::vector<long> count(static_cast<std::size_t>(longest) + 1, 0);
  for (int n : lengths) ++count[static_cast<std::size_t>(n)];
  long at_least = static_cast<long>(lengths.size());
  for (int k = 1; k <= longest; ++k) {
    points.push_back({static_cast<double>(k), static_cast<double>(at_least) / static_cast<double>(lengths.size())});
    at_least -= count[static_cast<std::size_t>(k)];
  }
  return points;
}

std::optional<WettestDay> wettest_day(const Blocks& days, const gauge::CalendarSeries& series) {
  std::optional<std::size_t> best;
  for (std::size_t k = 0; k < days.size(); ++k)
    if (days.present(k) && (!best || days.depths[k] > days.depths[*best])) best = k;
  if (!best) return std::nullopt;
  WettestDay day;
  day.start = days.block_start(*best);
  day.total = days.depths[*best];
  const long first = (day.start - series.start()) / calendar::interval_length;
  for (long i = first; i < first + calendar::intervals_per_day; ++i)
    day.depths.push_back(i >= 0 && i < static_cast<long>(series.size()) ? series.depth(static_cast<std::size_t>(i))
                                                                        : gauge::CalendarSeries::missing_value());
  return day;
}

}  // namespace raingen::stats
