#include "report/curve_rows.h"

#include <cmath>

#include "report/distribution_bands.h"
#include "report/event_section.h"
#include "report/hours_section.h"
#include "report/report_charts.h"
#include "report/season_section.h"

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
  return rows;
}

}  // namespace raingen::report
