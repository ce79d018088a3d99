#include "report/distribution_bands.h"

#include <map>
#include <tuple>

#include <algorithm>
#include <cmath>

#include "stats/daily_distributions.h"
#include "stats/quantile.h"

namespace raingen::report {

namespace {

constexpr const char* band_color = "#d62728";  // the generated series' colour: its spread

// The band of the values at one x: none (NaN) unless at least half the realizations give one.
void add_point(Band& band, double x, std::vector<double> values, std::size_t realizations) {
  values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return std::isnan(v); }), values.end());
  band.x.push_back(x);
  if (values.empty() || 2 * values.size() < realizations) {
    band.low.push_back(std::nan(""));
    band.high.push_back(std::nan(""));
    return;
  }
  std::sort(values.begin(), values.end());
  band.low.push_back(stats::quantile(values, 0.05));
  band.high.push_back(stats::quantile(values, 0.95));
}

}  // namespace

std::optional<double> realizations_quantile(
    const EnsembleStatistics& ensemble, double p,
    const std::function<std::optional<double>(const stats::SeriesStatistics&)>& value) {
  std::vector<double> values;
  for (const stats::SeriesStatistics& s : ensemble.complete)
    if (const auto v = value(s); v && !std::isnan(*v)) values.push_back(*v);
  if (values.empty() || 2 * values.size() < ensemble.complete.size()) return std::nullopt;
  std::sort(values.begin(), values.end());
  return stats::quantile(values, p);
}

Band realizations_band(const EnsembleStatistics& ensemble, const std::vector<double>& x,
                       const std::function<double(const stats::SeriesStatistics&, std::size_t)>& value) {
  Band band{"realizations 5\u201395%", band_color, {}, {}, {}, 0.18};
  for (std::size_t i = 0; i < x.size(); ++i) {
    std::vector<double> values;
    for (const stats::SeriesStatistics& s : ensemble.complete) values.push_back(value(s, i));
    add_point(band, x[i], std::move(values), ensemble.complete.size());
  }
  return band;
}

void add_spell_band(Chart& chart, const EnsembleStatistics& ensemble, bool dry) {
  std::vector<std::vector<stats::CurvePoint>> curves;
  std::size_t longest = 0;
  for (const stats::SeriesStatistics& s : ensemble.complete) {
    curves.push_back(stats::spell_survival(dry ? s.spells.dry : s.spells.wet));
    longest = std::max(longest, curves.back().size());
  }
  Band band{"realizations 5\u201395%", band_color, {}, {}, {}, 0.18};
  for (std::size_t k = 1; k <= longest; ++k) {
    std::vector<double> values;
    for (const auto& curve : curves) values.push_back(k <= curve.size() ? curve[k - 1].y : std::nan(""));
    add_point(band, static_cast<double>(k), std::move(values), curves.size());
  }
  chart.bands.push_back(std::move(band));
}

void add_daily_band(Chart& chart, const EnsembleStatistics& ensemble) {
  const std::vector<double> x(stats::daily_depth_marks.begin(), stats::daily_depth_marks.end());
  Band band = realizations_band(ensemble, x,
                                [](const stats::SeriesStatistics& s, std::size_t i) { return s.daily_at_least[i]; });
  // The marks past every realization's wettest day show nothing on the log axis and would only
  // stretch the depth axis: the band ends at the first mark no realization reaches.
  std::size_t end = 0;
  while (end < band.x.size() && !(band.high[end] <= 0)) ++end;
  end = std::min(end + 1, band.x.size());
  band.x.resize(end);
  band.low.resize(end);
  band.high.resize(end);
  chart.bands.push_back(std::move(band));
}

void add_maxima_band(Chart& chart, const EnsembleStatistics& ensemble, int minutes) {
  const auto maxima = [minutes](const stats::SeriesStatistics& s) -> const std::vector<double>& {
    return minutes == 60 ? s.annual_maxima_hour : s.annual_maxima_day;
  };
  std::map<std::size_t, std::size_t> counts;  // years: realizations
  for (const stats::SeriesStatistics& s : ensemble.complete) ++counts[maxima(s).size()];
  std::size_t years = 0, most = 0;
  for (const auto& [n, count] : counts)
    if (count > most) std::tie(years, most) = std::pair{n, count};
  std::vector<double> x;
  for (std::size_t rank = 1; rank <= years; ++rank)
    x.push_back(static_cast<double>(years + 1) / static_cast<double>(rank));
  chart.bands.push_back(realizations_band(ensemble, x, [&](const stats::SeriesStatistics& s, std::size_t i) {
    return maxima(s).size() == years ? maxima(s)[i] : std::nan("");
  }));
}

}  // namespace raingen::report
