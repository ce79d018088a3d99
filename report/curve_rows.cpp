#include "report/curve_rows.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "report/distribution_bands.h"
#include "report/ensemble_statistics.h"
#include "report/event_section.h"
#include "report/hours_section.h"
#include "report/report_charts.h"
#include "report/season_section.h"
#include "stats/calendar_summaries.h"

namespace raingen::report {

std::vector<stats::CsvRow> chart_rows(const Chart& chart, const std::string& statistic) {
  std::vector<stats::CsvRow> rows;
  for (const Line& line : chart.lines) {
    if (line.label.empty()) continue;
    for (const Point& p : line.points) {
      if (std::isnan(p.y)) continue;
      stats::CsvRow row{line.label, {}, statistic, p.y, p.x, {}, {}};
      for (const Band& band : chart.bands) {
        if (band.color != line.color) continue;
        for (std::size_t i = 0; i < band.x.size(); ++i)
          if (band.x[i] == p.x && !std::isnan(band.low[i]) && !std::isnan(band.high[i])) {
            row.lower = band.low[i];
            row.upper = band.high[i];
          }
      }
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

std::vector<std::pair<std::string, Chart>> curve_charts(const ReportContent& content) {
  std::vector<std::pair<std::string, Chart>> charts;
  for (const bool dry : {true, false}) {
    Chart chart = spell_chart(content.series, dry);
    if (content.ensemble) add_spell_band(chart, *content.ensemble, dry);
    charts.emplace_back(dry ? "dry_spell_share_at_least_days" : "wet_spell_share_at_least_days", std::move(chart));
  }
  const char* events[] = {"event_depth_mm_one_in_n", "event_duration_h_one_in_n", "event_peak_15min_mm_one_in_n",
                          "event_time_between_h_one_in_n"};
  for (std::size_t m = 0; m < 4; ++m) charts.emplace_back(events[m], event_chart(m, content));
  const char* hours[] = {"hour_mean_depth_mm_h", "hour_wet_share", "intensity_15min_mm_h_one_in_n"};
  std::vector<Chart> hour = hours_charts(content);
  for (std::size_t k = 0; k < hour.size(); ++k) charts.emplace_back(hours[k], std::move(hour[k]));
  Chart daily = exceedance_chart(content.series);
  if (content.ensemble) add_daily_band(daily, *content.ensemble);
  charts.emplace_back("daily_depth_share_at_least", std::move(daily));
  if (content.seasons) {
    std::vector<Chart> months = month_charts(*content.seasons, content.series, content.ensemble);
    charts.emplace_back("monthly_total_mean_mm", std::move(months[0]));
    charts.emplace_back("monthly_wet_share", std::move(months[1]));
  }
  return charts;
}

namespace {

// Each series' events: a year, counted and censored, as the events table shows them; then the
// limits table's event means and days running on wet past midnight, with the realizations'
// median and 5-95% band as series "realizations".
void event_rows(const ReportContent& content, std::vector<stats::CsvRow>& rows) {
  for (const ReportSeries& s : content.series) {
    const stats::EventSummary& e = s.statistics->events;
    rows.push_back({s.statistics->name, {}, "events_per_year", e.per_year, {}, {}, {}});
    rows.push_back({s.statistics->name, {}, "events_counted", static_cast<double>(e.count), {}, {}, {}});
    rows.push_back({s.statistics->name, {}, "events_censored", static_cast<double>(e.censored), {}, {}, {}});
  }
  const struct {
    const char* statistic;
    std::function<std::optional<double>(const stats::SeriesStatistics&)> pick;
  } limits[] = {
      {"event_mean_depth_mm", [](const stats::SeriesStatistics& s) { return s.events.mean[0]; }},
      {"event_mean_duration_h", [](const stats::SeriesStatistics& s) { return s.events.mean[1]; }},
      {"midnight_wet_on_share", [](const stats::SeriesStatistics& s) { return s.midnights.share(); }},
  };
  for (const auto& limit : limits) {
    for (const ReportSeries& s : content.series)
      rows.push_back({s.statistics->name, {}, limit.statistic, limit.pick(*s.statistics), {}, {}, {}});
    if (content.ensemble)
      if (const auto median = realizations_quantile(*content.ensemble, 0.5, limit.pick))
        rows.push_back({"realizations",
                        {},
                        limit.statistic,
                        median,
                        {},
                        realizations_quantile(*content.ensemble, 0.05, limit.pick),
                        realizations_quantile(*content.ensemble, 0.95, limit.pick)});
  }
}

// What each series' statistics rest on: the calendar years behind annual_max_mean at each level
// (at least 90% present), then the blocks present at each level and the spells behind the daily
// means.
void year_rows(const ReportContent& content, std::vector<stats::CsvRow>& rows) {
  for (const ReportSeries& s : content.series)
    for (const stats::LevelStatistics& level : s.statistics->levels)
      if (!level.blocks.depths.empty())
        rows.push_back({s.statistics->name,
                        level.minutes,
                        "annual_max_mean_years",
                        static_cast<double>(stats::annual_maxima(level.blocks).size()),
                        {},
                        {},
                        {}});
  for (const ReportSeries& s : content.series) {
    for (const stats::LevelStatistics& level : s.statistics->levels) {
      rows.push_back({s.statistics->name,
                      level.minutes,
                      "blocks_present",
                      static_cast<double>(level.blocks.present_count()),
                      {},
                      {},
                      {}});
    }
    const stats::Spells& spells = s.statistics->spells;
    rows.push_back({s.statistics->name,
                    calendar::minutes_per_day,
                    "dry_spells_counted",
                    static_cast<double>(spells.dry.size()),
                    {},
                    {},
                    {}});
    rows.push_back({s.statistics->name,
                    calendar::minutes_per_day,
                    "wet_spells_counted",
                    static_cast<double>(spells.wet.size()),
                    {},
                    {},
                    {}});
  }
}

// The seasons tables' figures of each series, x the season's number (in the page's order), and
// the realizations' median with their 5-95% band as series "realizations".
void season_rows(const ReportContent& content, std::vector<stats::CsvRow>& rows) {
  const struct {
    const char* statistic;
    std::optional<double> stats::SeasonFigures::*member;
  } figures[] = {{"season_mean_daily_mm", &stats::SeasonFigures::mean_daily},
                 {"season_wet_day_share", &stats::SeasonFigures::wet_day_share},
                 {"season_wet_15min_p99_mm", &stats::SeasonFigures::wet_15min_p99},
                 {"season_wet_hour_p99_mm", &stats::SeasonFigures::wet_hour_p99},
                 {"season_largest_15min_mm", &stats::SeasonFigures::largest_15min},
                 {"season_largest_hour_mm", &stats::SeasonFigures::largest_hour}};
  const SeasonReport& report = *content.seasons;
  for (std::size_t season = 0; season < report.seasons.size(); ++season)
    for (const auto& figure : figures) {
      const double x = static_cast<double>(season + 1);
      for (std::size_t k = 0; k < content.series.size() && k < report.series.size(); ++k)
        if (season < report.series[k].seasons.size())
          rows.push_back({content.series[k].statistics->name,
                          {},
                          figure.statistic,
                          report.series[k].seasons[season].*figure.member,
                          x,
                          {},
                          {}});
      if (!content.ensemble) continue;
      std::vector<double> values;
      for (const stats::CalendarFigures& f : content.ensemble->calendar)
        if (season < f.seasons.size())
          if (const auto v = f.seasons[season].*figure.member) values.push_back(*v);
      if (values.empty()) continue;
      std::sort(values.begin(), values.end());
      rows.push_back({"realizations",
                      {},
                      figure.statistic,
                      quantile(values, 0.5),
                      x,
                      quantile(values, 0.05),
                      quantile(values, 0.95)});
    }
}

}  // namespace

std::vector<stats::CsvRow> curve_csv_rows(const ReportContent& content) {
  std::vector<stats::CsvRow> rows;
  for (const auto& [statistic, chart] : curve_charts(content)) {
    std::vector<stats::CsvRow> more = chart_rows(chart, statistic);
    rows.insert(rows.end(), more.begin(), more.end());
  }
  if (content.seasons)
    for (std::size_t k = 0; k < content.series.size() && k < content.seasons->series.size(); ++k)
      for (std::size_t m = 0; m < 12; ++m)
        rows.push_back({content.series[k].statistics->name,
                        {},
                        "months_counted",
                        static_cast<double>(content.seasons->series[k].months_counted[m]),
                        static_cast<double>(m + 1),
                        {},
                        {}});
  if (content.seasons) season_rows(content, rows);
  event_rows(content, rows);
  year_rows(content, rows);
  return rows;
}

}  // namespace raingen::report
