#include "report/report_page.h"

#include <cmath>
#include <functional>

#include <fmt/format.h>

#include "calendar/interval.h"
#include "report/change_section.h"
#include "report/design_section.h"
#include "report/distribution_bands.h"
#include "report/ensemble_section.h"
#include "report/event_section.h"
#include "report/hours_section.h"
#include "report/report_charts.h"
#include "report/season_section.h"
#include "report/shortfall_section.h"
#include "report/page_names.h"
#include "stats/calendar_summaries.h"

namespace raingen::report {

namespace {

using stats::Statistic;

// What each series' figures rest on, a count a series: the blocks present, the calendar years
// behind annual_max_mean (a mean of one year is one year's maximum), the spells behind the means.
std::vector<std::string> count_row(std::string label, const ReportContent& content, std::size_t ratios,
                                   const std::function<std::size_t(const stats::SeriesStatistics&)>& count) {
  std::vector<std::string> row{std::move(label)};
  for (const ReportSeries& s : content.series) row.push_back(std::to_string(count(*s.statistics)));
  row.insert(row.end(), ratios, "-");
  return row;
}

void statistics_tables(HtmlPage& page, const ReportContent& content) {
  const ReportSeries* weighted = find_role(content.series, SeriesRole::weighted_record);
  // Each generated series over the weighted record.
  std::vector<const ReportSeries*> over;
  for (SeriesRole role : {SeriesRole::generated, SeriesRole::generated_weighted_site})
    if (const ReportSeries* s = find_role(content.series, role); s && weighted) over.push_back(s);
  for (int minutes : stats::aggregation_levels) {
    page.heading(3, "Blocks of " + level_label(minutes));
    std::vector<std::string> header{"statistic"};
    for (const ReportSeries& s : content.series) header.push_back(s.statistics->name);
    for (const ReportSeries* s : over) header.push_back(s->statistics->name + " / weighted-record");
    std::vector<std::vector<std::string>> rows{
        count_row("blocks present", content, over.size(),
                  [minutes](const stats::SeriesStatistics& s) { return s.level(minutes).blocks.present_count(); })};
    for (Statistic statistic : stats::statistics_at(minutes)) {
      const std::string unit = statistic_unit(statistic);
      std::vector<std::string> row{std::string(stats::statistic_name(statistic)) +
                                   (unit.empty() ? "" : " (" + unit + ")")};
      for (const ReportSeries& s : content.series)
        row.push_back(display_number(s.statistics->level(minutes).value(statistic)));
      for (const ReportSeries* s : over) {
        const auto g = s->statistics->level(minutes).value(statistic);
        const auto w = weighted->statistics->level(minutes).value(statistic);
        row.push_back(g && w && *w != 0 ? display_number(*g / *w) : "-");
      }
      rows.push_back(std::move(row));
      if (statistic == Statistic::annual_max_mean)
        rows.push_back(count_row("calendar years behind annual_max_mean", content, over.size(),
                                 [minutes](const stats::SeriesStatistics& s) {
                                   return stats::annual_maxima(s.level(minutes).blocks).size();
                                 }));
      if (statistic == Statistic::mean_dry_spell_days || statistic == Statistic::mean_wet_spell_days) {
        const bool dry = statistic == Statistic::mean_dry_spell_days;
        rows.push_back(
            count_row(dry ? "dry spells behind the mean" : "wet spells behind the mean", content, over.size(),
                      [dry](const stats::SeriesStatistics& s) { return (dry ? s.spells.dry : s.spells.wet).size(); }));
      }
    }
    page.table(header, rows);
  }
}

std::vector<std::string> svgs(const std::vector<Chart>& charts) {
  std::vector<std::string> out;
  for (const Chart& c : charts) out.push_back(render_svg(c));
  return out;
}

// What the page compares, and the notes of this report.
void introduction(HtmlPage& page, const ReportContent& content) {
  page.heading(1, "raingen report: " + content.site_name);
  page.paragraph(
      "Does the generated series look like the rain it came from? This page sets the program's site series "
      "(generated) beside the gauge records of its stations (record:ID) and beside those records weighted as the "
      "program weights its station series (weighted-record), the fair reference for the site. Every statistic is "
      "taken on blocks of 15 minutes, 1 hour, 6 hours and 1 day aligned to midnight.");
  if (find_role(content.series, SeriesRole::generated_weighted_site))
    page.paragraph(
        "Two routes are compared. generated is the program's site series from the three stations, each drawn on its "
        "own and weighted into the site value: the site is wet whenever any one station is, and its storms are "
        "averages of unrelated days. generated:weighted-site is the site series of the compared run, made ready by "
        "raingen-prepare --weighted-site: one site station whose days are the weighted record's, at distance 0, so "
        "that the program copies its series and every wet day is one historical day of the three gauges together.");
  for (const std::string& note : content.notes) page.markup("<p><strong>Note:</strong> " + escape(note) + "</p>\n");
}

void run_section(HtmlPage& page, const ReportContent& content) {
  page.heading(2, "The run");
  std::vector<std::vector<std::string>> run_rows;
  for (const auto& [name, value] : content.run) run_rows.push_back({name, value});
  page.table({"setting", "value"}, run_rows);
  page.heading(3, "Stations and their records");
  page.table(content.station_header, content.stations);
}

// The tables of statistics, level by level, and the ensemble's spread when there is one.
void statistics_section(HtmlPage& page, const ReportContent& content) {
  page.heading(2, "Statistics");
  page.paragraph(fmt::format(
      "A block is left out when fewer than {}% of its 15-minute values are present; the missing values of a kept "
      "block count as dry. A block is dry when its depth is at most {} mm. Variance has the divisor n - 1, "
      "skewness is m3 / m2^1.5; lag-1 autocorrelation pairs consecutive blocks that are both present; "
      "annual_max_mean averages the largest block of each calendar year with at least 90% of its blocks present. "
      "Spells count only runs of days with a day of the other kind on both sides. statistics.csv beside this page "
      "holds every value in full.",
      fmt::format("{:g}", content.options.min_complete_percent), fmt::format("{:g}", content.options.dry_threshold)));
  statistics_tables(page, content);
  if (content.ensemble) {
    const ReportSeries* weighted = find_role(content.series, SeriesRole::weighted_record);
    ensemble_section(page, *content.ensemble, weighted ? weighted->statistics : nullptr);
  }
}

void level_charts_section(HtmlPage& page, const ReportContent& content) {
  page.heading(2, "Statistics against aggregation level");
  std::vector<Chart> level_charts;
  // The ratio of each statistic first; the mean of a block only grows with the level, and its
  // ratio is on that chart.
  if (auto ratios = ratio_chart(content.series)) level_charts.push_back(std::move(*ratios));
  for (Statistic s : stats::statistics_at(calendar::minutes_per_interval)) {
    if (s == Statistic::mean) continue;
    level_charts.push_back(statistic_chart(s, content.series));
    if (content.ensemble) add_ensemble_bands(level_charts.back(), s, *content.ensemble, content.series);
  }
  page.figures(svgs(level_charts));
}

// The charts of spells, daily depths, annual maxima, months and the wettest days, each section a
// heading, what to read in it, and its charts.
void distribution_sections(HtmlPage& page, const ReportContent& content) {
  const std::vector<ReportSeries>& series = content.series;
  Chart dry = dry_spell_chart(series), wet = spell_chart(series, false);
  Chart daily = exceedance_chart(series), day_maxima = return_period_chart(series, calendar::minutes_per_day),
        hour_maxima = return_period_chart(series, 60);
  if (content.ensemble) {
    add_spell_band(dry, *content.ensemble, true);
    add_spell_band(wet, *content.ensemble, false);
    add_daily_band(daily, *content.ensemble);
    add_maxima_band(day_maxima, *content.ensemble, calendar::minutes_per_day);
    add_maxima_band(hour_maxima, *content.ensemble, 60);
  }
  const struct {
    const char* heading;
    const char* reading;
    std::vector<Chart> charts;
  } sections[] = {
      {"Dry and wet spells",
       "The share of dry spells (runs of dry days between two wet days) and of wet spells (runs of wet days "
       "between two dry days) that last at least k days; with an ensemble, the realizations' 5-95% band. A "
       "generated curve that falls faster than the records' has too few long droughts, or too few long wet "
       "spells.",
       {dry, wet}},
      {"Daily depths",
       "For each daily depth, the share of days that are at least that wet (log scale): the curve starts at the "
       "share of wet days and its tail shows the heavy days; with an ensemble, the realizations' 5-95% band at "
       "0.1, 0.2, 0.5, 1, 2, 5 ... 500 mm.",
       {daily}},
      {"Annual maxima",
       "The largest depth of each calendar year with at least 90% of its blocks present, against its return "
       "period. A short record gives few points: read the spread, not a fitted curve. With an ensemble, the "
       "realizations' 5-95% band of the maximum of each rank, at the return periods of the years most of them have.",
       {day_maxima, hour_maxima}},
      {"Wettest days",
       "The 15-minute depths of the generated series' wettest day (and of the compared run's) beside the wettest "
       "day of any record, on one depth scale. The generator copies whole historical days of the stations, weighted "
       "into the site value; the results file does not say which, so each generated wettest day is matched below "
       "against the day records of its run's station files.",
       wettest_day_charts(series)},
  };
  for (const auto& section : sections) {
    page.heading(2, section.heading);
    page.paragraph(section.reading);
    page.figures(svgs(section.charts));
  }
  for (const std::string& drawn : content.drawn_days) page.paragraph(drawn);  // under the wettest days
}

}  // namespace

std::string report_html(const ReportContent& content) {
  HtmlPage page("raingen report: " + content.site_name);
  introduction(page, content);
  shortfall_section(page, content);
  run_section(page, content);
  statistics_section(page, content);
  level_charts_section(page, content);
  if (content.design) design_section(page, *content.design);
  if (content.change) change_section(page, *content.change);
  event_section(page, content);
  hours_section(page, content);
  distribution_sections(page, content);
  if (content.seasons) season_section(page, *content.seasons, content.series, content.ensemble);
  return page.finish();
}

}  // namespace raingen::report
