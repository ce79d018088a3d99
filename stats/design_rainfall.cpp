#include "stats/design_rainfall.h"

#include <algorithm>
#include <numeric>

#include "stats/quantile.h"

namespace raingen::stats {

namespace {

constexpr std::size_t periods = design_return_periods.size();
using Samples = std::array<std::vector<double>, periods>;  // resampled levels, one list per period

// One duration's maxima in ascending order, and which year each came from.
struct Sorted {
  std::vector<std::size_t> order;
  std::vector<double> values;
};

Sorted sorted_duration(const std::vector<DurationDepths>& maxima, std::size_t d) {
  Sorted s;
  s.order.resize(maxima.size());
  std::iota(s.order.begin(), s.order.end(), std::size_t{0});
  std::stable_sort(s.order.begin(), s.order.end(),
                   [&](std::size_t a, std::size_t b) { return maxima[a][d] < maxima[b][d]; });
  for (std::size_t i : s.order) s.values.push_back(maxima[i][d]);
  return s;
}

void set_interval(ReturnLevel& level, std::vector<double>& samples, int resamples) {
  if (samples.empty() || static_cast<double>(samples.size()) < interval_min_share * resamples) return;
  std::sort(samples.begin(), samples.end());
  level.lower = quantile(samples, interval_low);
  level.upper = quantile(samples, interval_high);
}

}  // namespace

std::string_view method_name(DesignMethod method) { return method == DesignMethod::gev ? "gev" : "empirical"; }

std::vector<DurationDepths> counted_maxima(const std::vector<WindowYear>& years) {
  std::vector<DurationDepths> maxima;
  for (const WindowYear& y : years)
    if (y.counted) maxima.push_back(y.maxima);
  return maxima;
}

DesignRainfall design_rainfall(const std::vector<DurationDepths>& maxima, const BootstrapSettings& bootstrap) {
  DesignRainfall design;
  design.years = maxima.size();
  const bool fitted = maxima.size() >= gev_min_years;
  std::vector<Sorted> sorted;
  for (std::size_t d = 0; d < design_durations.size(); ++d) {
    sorted.push_back(sorted_duration(maxima, d));
    DurationDesign duration;
    duration.minutes = design_durations[d];
    duration.maxima = sorted.back().values;
    const std::vector<std::uint32_t> once(maxima.size(), 1);
    const PeriodLevels empirical = weibull_return_levels(duration.maxima, once);
    if (fitted)
      if (const auto moments = sample_l_moments(duration.maxima)) duration.gev = fit_gev(*moments);
    for (std::size_t p = 0; p < periods; ++p) {
      const double years = design_return_periods[p];
      duration.empirical[p] = {years, empirical[p], {}, {}};
      duration.gev_levels[p] = {
          years, duration.gev ? std::optional(gev_return_level(*duration.gev, years)) : std::nullopt, {}, {}};
    }
    design.durations.push_back(std::move(duration));
  }
  if (maxima.empty() || bootstrap.resamples <= 0) return design;

  std::vector<Samples> empirical(design_durations.size()), gev(design_durations.size());
  YearResampler resampler(bootstrap.seed);
  std::vector<std::uint32_t> counts(maxima.size()), in_order(maxima.size());
  for (int r = 0; r < bootstrap.resamples; ++r) {
    resampler.draw(counts);
    for (std::size_t d = 0; d < design_durations.size(); ++d) {
      for (std::size_t i = 0; i < in_order.size(); ++i) in_order[i] = counts[sorted[d].order[i]];
      const PeriodLevels levels = weibull_return_levels(sorted[d].values, in_order);
      for (std::size_t p = 0; p < periods; ++p)
        if (levels[p]) empirical[d][p].push_back(*levels[p]);
      if (!design.durations[d].gev) continue;
      const auto moments = sample_l_moments(sorted[d].values, in_order);
      const auto fit = moments ? fit_gev(*moments) : std::nullopt;
      if (fit)
        for (std::size_t p = 0; p < periods; ++p) gev[d][p].push_back(gev_return_level(*fit, design_return_periods[p]));
    }
  }
  for (std::size_t d = 0; d < design_durations.size(); ++d)
    for (std::size_t p = 0; p < periods; ++p) {
      DurationDesign& duration = design.durations[d];
      if (duration.empirical[p].value) set_interval(duration.empirical[p], empirical[d][p], bootstrap.resamples);
      if (duration.gev_levels[p].value) set_interval(duration.gev_levels[p], gev[d][p], bootstrap.resamples);
    }
  return design;
}

}  // namespace raingen::stats
