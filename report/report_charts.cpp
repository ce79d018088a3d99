#include "report/report_charts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "report/banded_curves.h"
#include "stats/calendar_summaries.h"
#include "stats/daily_distributions.h"

namespace raingen::report {

namespace {

using stats::Statistic;

struct Style {
  std::string color;
  double width = 1.3;
  bool dashed = false;  // where it lies on the weighted record, the black shows between its dashes
};

// Records take these in turn; the weighted record and the generated series stand out.
constexpr std::array<const char*, 6> record_colors{"#4e79a7", "#59a14f", "#b07aa1", "#9c755f", "#76b7b2", "#edc948"};

Style style_of(const std::vector<ReportSeries>& all, std::size_t index) {
  switch (all[index].role) {
    case SeriesRole::weighted_record: return {"#222222", 2.4};
    case SeriesRole::generated: return {"#d62728", 2.4};
    case SeriesRole::generated_weighted_site: return {"#ff7f0e", 2.4, true};
    case SeriesRole::record: break;
  }
  std::size_t nth = 0;
  for (std::size_t k = 0; k < index; ++k)
    if (all[k].role == SeriesRole::record) ++nth;
  return {record_colors[nth % record_colors.size()], 1.3};
}

const stats::Blocks& days_of(const ReportSeries& s) { return s.statistics->level(calendar::minutes_per_day).blocks; }

Axis level_axis() { return minutes_axis("aggregation level", 10, 2200, stats::aggregation_levels, level_label); }

}  // namespace

Line series_line(const std::vector<ReportSeries>& all, std::size_t index) {
  const Style s = style_of(all, index);
  Line line;
  line.label = all[index].statistics->name;
  line.color = s.color;
  line.width = s.width;
  line.dashed = s.dashed;
  return line;
}

std::string level_label(int minutes) {
  using calendar::minutes_per_day;
  if (minutes % minutes_per_day == 0)
    return minutes == minutes_per_day ? "1 day" : fmt::format("{} days", minutes / minutes_per_day);
  if (minutes % 60 == 0) return fmt::format("{} h", minutes / 60);
  return fmt::format("{} min", minutes);
}

std::string statistic_title(Statistic statistic) {
  switch (statistic) {
    case Statistic::mean: return "Mean depth of a block";
    case Statistic::variance: return "Variance";
    case Statistic::cv: return "Coefficient of variation";
    case Statistic::skewness: return "Skewness";
    case Statistic::lag1_autocorrelation: return "Lag-1 autocorrelation";
    case Statistic::probability_dry: return "Probability dry";
    case Statistic::annual_max_mean: return "Mean annual maximum";
    case Statistic::mean_dry_spell_days: return "Mean dry spell";
    case Statistic::mean_wet_spell_days: return "Mean wet spell";
  }
  return "";
}

std::string statistic_unit(Statistic statistic) {
  switch (statistic) {
    case Statistic::mean:
    case Statistic::annual_max_mean: return "mm";
    case Statistic::variance: return "mm\u00b2";
    case Statistic::mean_dry_spell_days:
    case Statistic::mean_wet_spell_days: return "days";
    default: return "";
  }
}

Chart statistic_chart(Statistic statistic, const std::vector<ReportSeries>& series) {
  Chart chart;
  chart.title = statistic_title(statistic);
  chart.x = level_axis();
  chart.width = 370;
  chart.y.label = statistic_unit(statistic);
  // Depths and their spread grow by orders of magnitude from 15 minutes to a day.
  const bool grows =
      statistic == Statistic::mean || statistic == Statistic::variance || statistic == Statistic::annual_max_mean;
  chart.y.scale = grows ? Scale::log : Scale::linear;
  if (statistic == Statistic::probability_dry) {
    chart.y.low = 0;
    chart.y.high = 1;
  }
  for (std::size_t k = 0; k < series.size(); ++k) {
    Line line = series_line(series, k);
    line.markers = true;
    for (const stats::LevelStatistics& level : series[k].statistics->levels) {
      const auto v = level.value(statistic);
      line.points.push_back({static_cast<double>(level.minutes), v ? *v : std::nan("")});
    }
    chart.lines.push_back(std::move(line));
  }
  return chart;
}

std::optional<Chart> ratio_chart(const std::vector<ReportSeries>& series) {
  const ReportSeries *weighted = nullptr, *generated = nullptr;
  for (const ReportSeries& s : series) {
    if (s.role == SeriesRole::weighted_record && !weighted) weighted = &s;
    if (s.role == SeriesRole::generated && !generated) generated = &s;
  }
  if (!weighted || !generated) return std::nullopt;
  static constexpr const char* colors[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd",
                                           "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};
  Chart chart;
  chart.title = "Generated / weighted record";
  chart.x = level_axis();
  chart.width = 560;
  chart.y.label = "ratio (1: as recorded)";
  chart.y.include_zero = true;
  Line one;  // the ratio of a statistic the generator keeps
  one.color = "#999999";
  one.width = 1;
  one.dashed = true;
  one.points = {{static_cast<double>(stats::aggregation_levels.front()), 1.0},
                {static_cast<double>(stats::aggregation_levels.back()), 1.0}};
  chart.lines.push_back(std::move(one));
  std::size_t color = 0;
  // The statistics of every level: the spells' (a day's only) have their own charts.
  for (Statistic statistic : stats::statistics_at(calendar::minutes_per_interval)) {
    Line line;
    line.label = statistic_title(statistic);
    line.color = colors[color++ % std::size(colors)];
    line.markers = true;
    for (int minutes : stats::aggregation_levels) {
      const auto g = generated->statistics->level(minutes).value(statistic);
      const auto w = weighted->statistics->level(minutes).value(statistic);
      line.points.push_back({static_cast<double>(minutes), g && w && *w != 0 ? *g / *w : std::nan("")});
    }
    chart.lines.push_back(std::move(line));
  }
  return chart;
}

Chart spell_chart(const std::vector<ReportSeries>& series, bool dry) {
  Chart chart;
  chart.title = dry ? "Dry spells: share at least k days long" : "Wet spells: share at least k days long";
  chart.width = 560;
  chart.x.label = dry ? "dry spell length k (days)" : "wet spell length k (days)";
  chart.x.low = 0;
  chart.y.label = dry ? "share of dry spells" : "share of wet spells";
  chart.y.scale = Scale::log;
  chart.y.high = 1;
  for (std::size_t k = 0; k < series.size(); ++k) {
    Line line = series_line(series, k);
    const stats::Spells& spells = series[k].statistics->spells;
    for (const stats::CurvePoint& p : stats::spell_survival(dry ? spells.dry : spells.wet))
      line.points.push_back({p.x, p.y});
    chart.lines.push_back(std::move(line));
  }
  return chart;
}

Chart dry_spell_chart(const std::vector<ReportSeries>& series) { return spell_chart(series, true); }

Chart exceedance_chart(const std::vector<ReportSeries>& series) {
  Chart chart;
  chart.title = "Daily depths: share of days at least this wet";
  chart.width = 560;
  chart.x.label = "daily depth (mm)";
  chart.x.include_zero = true;
  chart.y.label = "share of days";
  chart.y.scale = Scale::log;
  chart.y.high = 1;
  for (std::size_t k = 0; k < series.size(); ++k) {
    Line line = series_line(series, k);
    for (const stats::CurvePoint& p : stats::exceedance_curve(days_of(series[k]))) line.points.push_back({p.x, p.y});
    chart.lines.push_back(std::move(line));
  }
  return chart;
}

Chart return_period_chart(const std::vector<ReportSeries>& series, int minutes) {
  Chart chart;
  chart.title = fmt::format("Annual maxima of {} depths", level_label(minutes));
  chart.width = 560;
  chart.x.label = "return period (years, Weibull plotting position)";
  chart.x.scale = Scale::log;
  chart.y.label = fmt::format("largest {} depth of the year (mm)", level_label(minutes));
  chart.y.include_zero = true;
  for (std::size_t k = 0; k < series.size(); ++k) {
    Line line = series_line(series, k);
    line.markers = true;
    const auto maxima = stats::annual_maxima(series[k].statistics->level(minutes).blocks);
    for (const stats::CurvePoint& p : stats::return_periods(maxima)) line.points.push_back({p.x, p.y});
    chart.lines.push_back(std::move(line));
  }
  return chart;
}

std::vector<Chart> wettest_day_charts(const std::vector<ReportSeries>& series) {
  struct Found {
    std::size_t index;
    stats::WettestDay day;
  };
  std::optional<Found> generated, weighted_site, recorded;
  for (std::size_t k = 0; k < series.size(); ++k) {
    const auto day = stats::wettest_day(days_of(series[k]), *series[k].series);
    if (!day) continue;
    if (series[k].role == SeriesRole::generated && !generated) generated = Found{k, *day};
    if (series[k].role == SeriesRole::generated_weighted_site && !weighted_site) weighted_site = Found{k, *day};
    if (series[k].role == SeriesRole::record && (!recorded || day->total > recorded->day.total))
      recorded = Found{k, *day};
  }
  double highest = 0;
  for (const auto* f : {&generated, &weighted_site, &recorded})
    if (*f)
      for (double v : (*f)->day.depths)
        if (!std::isnan(v)) highest = std::max(highest, v);
  const AxisRange depth_range = linear_axis(0, std::max(highest, 0.1));

  std::vector<Chart> charts;
  for (const auto* f : {&generated, &weighted_site, &recorded}) {
    if (!*f) continue;
    const Found& found = **f;
    Chart chart;
    chart.title = fmt::format("Wettest day of {}: {}, {:.1f} mm", series[found.index].statistics->name,
                              calendar::day_text(calendar::day_of(found.day.start)), found.day.total);
    chart.width = 560;
    chart.x.label = "hour of the day (15-minute depths)";
    chart.x.low = 0;
    chart.x.high = 24;
    for (int h = 0; h <= 24; h += 3) chart.x.ticks.push_back({static_cast<double>(h), std::to_string(h)});
    chart.y.label = "depth in 15 minutes (mm)";
    chart.y.low = depth_range.low;
    chart.y.high = depth_range.high;
    chart.y.ticks = depth_range.ticks;
    BarSet set;
    set.color = style_of(series, found.index).color;
    for (std::size_t i = 0; i < found.day.depths.size(); ++i)
      set.bars.push_back(
          {static_cast<double>(i) * 0.25 + 0.01, static_cast<double>(i + 1) * 0.25 - 0.01, found.day.depths[i]});
    chart.bars.push_back(std::move(set));
    charts.push_back(std::move(chart));
  }
  return charts;
}

}  // namespace raingen::report
