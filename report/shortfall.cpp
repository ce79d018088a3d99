#include "report/shortfall.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "report/ensemble_statistics.h"
#include "stats/calendar_summaries.h"

namespace raingen::report {

namespace {

void sort_by_distance(std::vector<Shortfall>& list) {
  std::stable_sort(list.begin(), list.end(),
                   [](const Shortfall& a, const Shortfall& b) { return a.distance > b.distance; });
}

}  // namespace

std::size_t record_years(const stats::SeriesStatistics& record, int minutes) {
  return stats::annual_maxima(record.level(minutes).blocks).size();
}

bool ranked(const stats::SeriesStatistics& record, int minutes, stats::Statistic statistic) {
  return statistic != stats::Statistic::annual_max_mean || record_years(record, minutes) >= fewest_ranked_years;
}

std::vector<Shortfall> ensemble_shortfalls(const EnsembleStatistics& ensemble, const stats::SeriesStatistics& record) {
  std::vector<Shortfall> list;
  for (int minutes : stats::aggregation_levels)
    for (stats::Statistic statistic : stats::statistics_at(minutes)) {
      const std::optional<double> value = record.level(minutes).value(statistic);
      const std::optional<Spread> spread = spread_of(ensemble, minutes, statistic);
      if (!value || !spread || !ranked(record, minutes, statistic)) continue;
      const double gap = *value < spread->p05 ? spread->p05 - *value : *value - spread->p95;
      if (!(gap > 0)) continue;
      const double width = spread->p95 - spread->p05;
      const double distance = width > 0 ? gap / width : std::numeric_limits<double>::infinity();
      list.push_back({minutes, statistic, *value, spread->p50, spread->p05, spread->p95, distance, {}});
    }
  sort_by_distance(list);
  return list;
}

std::vector<Shortfall> figure_shortfalls(const std::vector<NamedFigure>& figures) {
  std::vector<Shortfall> list;
  for (const NamedFigure& f : figures) {
    if (!f.record || f.realizations.empty()) continue;
    std::vector<double> values = f.realizations;
    std::sort(values.begin(), values.end());
    const double low = quantile(values, 0.05), high = quantile(values, 0.95), value = *f.record;
    const double gap = value < low ? low - value : value - high;
    if (!(gap > f.rounding)) continue;
    const double distance = high > low ? gap / (high - low) : std::numeric_limits<double>::infinity();
    Shortfall s{0, {}, value, quantile(values, 0.5), low, high, distance, f.name};
    list.push_back(std::move(s));
  }
  sort_by_distance(list);
  return list;
}

std::vector<Shortfall> merged(std::vector<Shortfall> a, const std::vector<Shortfall>& b) {
  a.insert(a.end(), b.begin(), b.end());
  sort_by_distance(a);
  return a;
}

std::vector<Shortfall> ratio_shortfalls(const stats::SeriesStatistics& generated,
                                        const stats::SeriesStatistics& record) {
  std::vector<Shortfall> list;
  for (int minutes : stats::aggregation_levels)
    for (stats::Statistic statistic : stats::statistics_at(minutes)) {
      const std::optional<double> value = record.level(minutes).value(statistic);
      const std::optional<double> g = generated.level(minutes).value(statistic);
      if (!value || !g || !(*value > 0) || !ranked(record, minutes, statistic)) continue;
      const double ratio = *g / *value;
      // A ratio at or below 0 (a correlation of the other sign) is beyond any factor.
      const double beyond = ratio <= 0                ? std::numeric_limits<double>::infinity()
                            : ratio > ratio_range     ? ratio / ratio_range
                            : ratio < 1 / ratio_range ? 1 / (ratio * ratio_range)
                                                      : 1;
      if (!(beyond > 1)) continue;
      list.push_back({minutes, statistic, *value, *g, *value / ratio_range, *value * ratio_range, beyond, {}});
    }
  sort_by_distance(list);
  return list;
}

}  // namespace raingen::report
