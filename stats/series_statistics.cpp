#include "stats/series_statistics.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

#include "stats/calendar_summaries.h"
#include "stats/moments.h"

namespace raingen::stats {

std::string_view statistic_name(Statistic statistic) {
  switch (statistic) {
    case Statistic::mean: return "mean";
    case Statistic::variance: return "variance";
    case Statistic::cv: return "cv";
    case Statistic::skewness: return "skewness";
    case Statistic::lag1_autocorrelation: return "lag1_autocorrelation";
    case Statistic::probability_dry: return "probability_dry";
    case Statistic::annual_max_mean: return "annual_max_mean";
    case Statistic::mean_dry_spell_days: return "mean_dry_spell_days";
    case Statistic::mean_wet_spell_days: return "mean_wet_spell_days";
  }
  return "";
}

std::vector<Statistic> statistics_at(int minutes) {
  std::vector<Statistic> list{Statistic::mean,
                              Statistic::variance,
                              Statistic::cv,
                              Statistic::skewness,
                              Statistic::lag1_autocorrelation,
                              Statistic::probability_dry,
                              Statistic::annual_max_mean};
  if (minutes == calendar::minutes_per_day) {
    list.push_back(Statistic::mean_dry_spell_days);
    list.push_back(Statistic::mean_wet_spell_days);
  }
  return list;
}

std::optional<double> LevelStatistics::value(Statistic statistic) const {
  for (const auto& [s, v] : values)
    if (s == statistic) return v;
  return std::nullopt;
}

const LevelStatistics& SeriesStatistics::level(int minutes) const {
  for (const LevelStatistics& l : levels)
    if (l.minutes == minutes) return l;
  throw std::out_of_range("no such aggregation level");
}

namespace {

std::array<double, daily_depth_marks.size()> shares_at_least(const Blocks& days) {
  std::vector<double> present;
  for (std::size_t k = 0; k < days.size(); ++k)
    if (days.present(k)) present.push_back(days.depths[k]);
  std::sort(present.begin(), present.end());
  std::array<double, daily_depth_marks.size()> shares;
  for (std::size_t i = 0; i < shares.size(); ++i) {
    const auto below = std::lower_bound(present.begin(), present.end(), daily_depth_marks[i]) - present.begin();
    shares[i] = present.empty() ? std::nan("")
                                : static_cast<double>(static_cast<long>(present.size()) - below) /
                                      static_cast<double>(present.size());
  }
  return shares;
}

// Statistic s of a level's blocks b (their moments m), with the series' spells for the spell statistics.
std::optional<double> statistic_value(Statistic s, const Blocks& b, const Moments& m, const Spells& spells) {
  switch (s) {
    case Statistic::mean: return mean(m);
    case Statistic::variance: return variance(m);
    case Statistic::cv: return coefficient_of_variation(m);
    case Statistic::skewness: return skewness(m);
    case Statistic::lag1_autocorrelation: return lag1_autocorrelation(b);
    case Statistic::probability_dry: return probability_dry(m);
    case Statistic::annual_max_mean: return annual_max_mean(b);
    case Statistic::mean_dry_spell_days: return mean_length(spells.dry);
    case Statistic::mean_wet_spell_days: return mean_length(spells.wet);
  }
  return std::nullopt;
}

}  // namespace

SeriesStatistics compute_statistics(const gauge::CalendarSeries& series, const StatisticsOptions& options) {
  SeriesStatistics result;
  result.name = series.name();
  for (int minutes : aggregation_levels) {
    LevelStatistics level;
    level.minutes = minutes;
    level.blocks = aggregate(series, minutes, options.min_complete_percent);
    const Blocks& b = level.blocks;
    if (minutes == calendar::minutes_per_day) {
      result.spells = closed_spells(b, options.dry_threshold);
      result.monthly_totals = mean_monthly_totals(b);
      result.daily_at_least = shares_at_least(b);
    }
    if (minutes == calendar::minutes_per_day || minutes == 60) {
      std::vector<double>& maxima = minutes == 60 ? result.annual_maxima_hour : result.annual_maxima_day;
      for (const AnnualMaximum& a : annual_maxima(b)) maxima.push_back(a.depth);
      std::sort(maxima.begin(), maxima.end(), std::greater<>());
    }
    const Moments m = moments_of(b, options.dry_threshold);
    for (Statistic s : statistics_at(minutes)) level.values.emplace_back(s, statistic_value(s, b, m, result.spells));
    result.levels.push_back(std::move(level));
  }
  result.window_years = annual_window_maxima(series, options.years);
  result.midnights = midnights_of(series, options.dry_threshold);
  result.events = summarize(events_of(series, options.events));
  result.diurnal = diurnal_of(series);
  result.intensities = intensities_at_shares(series);
  return result;
}

}  // namespace raingen::stats
