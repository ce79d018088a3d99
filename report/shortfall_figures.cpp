#include "report/shortfall_figures.h"

#include <cmath>
#include <functional>
#include <optional>
#include <string>

#include <fmt/format.h>

#include "report/ensemble_statistics.h"
#include "report/season_section.h"
#include "stations/seasons.h"
#include "stats/events.h"
#include "stats/season_figures.h"

namespace raingen::report {

namespace {

using Pick = std::function<std::optional<double>(const stats::SeriesStatistics&)>;

// A figure of the record's statistics beside each complete realization's.
NamedFigure figure_of(std::string name, const EnsembleStatistics& ensemble, const stats::SeriesStatistics& record,
                      const Pick& pick, double rounding = 0) {
  NamedFigure f{std::move(name), pick(record), {}, rounding};
  for (const stats::SeriesStatistics& r : ensemble.complete)
    if (const auto v = pick(r)) f.realizations.push_back(*v);
  return f;
}

std::optional<double> finite(double v) { return std::isnan(v) ? std::nullopt : std::optional<double>(v); }

// The share of wet 15-minute intervals in each hour of the day, and the 15-minute intensities
// that 10%, 1% and 0.1% of the wet intervals reach.
void hour_figures(const EnsembleStatistics& ensemble, const stats::SeriesStatistics& record,
                  std::vector<NamedFigure>& figures) {
  for (std::size_t h = 0; h < 24; ++h)
    figures.push_back(figure_of(fmt::format("share of wet 15-minute intervals at {:02}:00-{:02}:00", h, h + 1),
                                ensemble, record,
                                [h](const stats::SeriesStatistics& s) { return finite(s.diurnal.wet_share[h]); }));
  for (std::size_t k = 0; k < stats::event_share_count; ++k) {
    const double share = stats::event_shares[k];
    if (share != 0.1 && share != 0.01 && share != 0.001) continue;
    // An intensity is 4 times a 15-minute depth: 4 times its rounding.
    figures.push_back(figure_of(
        fmt::format("15-minute intensity that {:g}% of wet intervals reach (mm/h)", 100 * share), ensemble, record,
        [k](const stats::SeriesStatistics& s) { return finite(s.intensities[k]); }, 4 * rounding_of(1)));
  }
}

// The record's events a year and their mean depth and duration, each realization's beside them.
void event_figures(const EnsembleStatistics& ensemble, const stats::SeriesStatistics& record,
                   std::vector<NamedFigure>& figures) {
  figures.push_back(
      figure_of("events a year", ensemble, record, [](const stats::SeriesStatistics& s) { return s.events.per_year; }));
  figures.push_back(figure_of("mean event depth (mm)", ensemble, record,
                              [](const stats::SeriesStatistics& s) { return s.events.mean[0]; }));
  figures.push_back(figure_of("mean event duration (h)", ensemble, record,
                              [](const stats::SeriesStatistics& s) { return s.events.mean[1]; }));
}

// The seasons tables' figures and the months': the weighted record's against each realization's.
void calendar_figures(const ReportContent& content, const ReportSeries& record, std::vector<NamedFigure>& figures) {
  if (!content.seasons || !content.ensemble) return;
  const SeasonReport& report = *content.seasons;
  const std::size_t w = static_cast<std::size_t>(&record - content.series.data());
  if (w >= report.series.size()) return;
  const auto add = [&](std::string name, const auto& pick, double rounding = 0) {
    NamedFigure f{std::move(name), pick(report.series[w]), {}, rounding};
    for (const stats::CalendarFigures& r : content.ensemble->calendar)
      if (const std::optional<double> v = pick(r)) f.realizations.push_back(*v);
    figures.push_back(std::move(f));
  };
  for (unsigned m = 1; m <= 12; ++m) {
    const std::string month(stations::month_name(m));
    add("mean total of " + month + " (mm)", [m](const stats::CalendarFigures& f) { return f.monthly_totals[m - 1]; });
    add("share of wet days in " + month, [m](const stats::CalendarFigures& f) { return f.monthly_wet_shares[m - 1]; });
  }
  for (std::size_t s = 0; s < report.seasons.size(); ++s) {
    const std::string season = report.seasons[s].name();
    const auto in_season = [s](std::optional<double> stats::SeasonFigures::*member) {
      return [s, member](const stats::CalendarFigures& f) -> std::optional<double> {
        return s < f.seasons.size() ? f.seasons[s].*member : std::nullopt;
      };
    };
    add("99th percentile of wet 15-minute depths in " + season + " (mm)",
        in_season(&stats::SeasonFigures::wet_15min_p99), rounding_of(1));
    add("largest 15-minute depth in " + season + " (mm)", in_season(&stats::SeasonFigures::largest_15min),
        rounding_of(1));
    add("largest 1-hour depth in " + season + " (mm)", in_season(&stats::SeasonFigures::largest_hour), rounding_of(4));
  }
}

std::optional<double> distance_or_none(double distance) {
  return std::isinf(distance) ? std::nullopt : std::optional<double>(distance);
}

void add_rows(std::vector<stats::CsvRow>& rows, const std::string& series, const std::vector<Shortfall>& list) {
  for (const Shortfall& s : list)
    rows.push_back({series, s.name.empty() ? std::optional<int>(s.minutes) : std::nullopt,
                    s.name.empty() ? std::string(stats::statistic_name(s.statistic)) : s.name, s.record,
                    distance_or_none(s.distance), s.low, s.high});
}

}  // namespace

std::vector<NamedFigure> shortfall_figures(const ReportContent& content, const ReportSeries& record) {
  std::vector<NamedFigure> figures;
  if (!content.ensemble) return figures;
  event_figures(*content.ensemble, *record.statistics, figures);
  calendar_figures(content, record, figures);
  hour_figures(*content.ensemble, *record.statistics, figures);
  return figures;
}

ShortfallList ensemble_shortfall_list(const ReportContent& content) {
  const ReportSeries* record_series = find_role(content.series, SeriesRole::weighted_record);
  if (!content.ensemble || !record_series) return {};
  const EnsembleStatistics& ensemble = *content.ensemble;
  const stats::SeriesStatistics& record = *record_series->statistics;
  const std::vector<NamedFigure> figures = shortfall_figures(content, *record_series);
  ShortfallList out{merged(ensemble_shortfalls(ensemble, record), figure_shortfalls(figures)), 0};
  for (int minutes : stats::aggregation_levels)
    for (stats::Statistic statistic : stats::statistics_at(minutes))
      out.compared += record.level(minutes).value(statistic) && spread_of(ensemble, minutes, statistic) &&
                      ranked(record, minutes, statistic);
  for (const NamedFigure& f : figures) out.compared += f.record && !f.realizations.empty();
  return out;
}

std::vector<stats::CsvRow> shortfall_csv_rows(const ReportContent& content) {
  std::vector<stats::CsvRow> rows;
  const ReportSeries* record = find_role(content.series, SeriesRole::weighted_record);
  if (!record) return rows;
  add_rows(rows, "shortfall", ensemble_shortfall_list(content).list);
  // A single series' ratios, as the page lists them (the generated one's only without an ensemble).
  for (SeriesRole role : {SeriesRole::generated, SeriesRole::generated_weighted_site})
    if (const ReportSeries* g = find_role(content.series, role);
        g && !(content.ensemble && role == SeriesRole::generated))
      add_rows(rows, "shortfall:" + g->statistics->name, ratio_shortfalls(*g->statistics, *record->statistics));
  return rows;
}

}  // namespace raingen::report
