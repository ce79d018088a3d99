// The level charts: the ratio of each statistic of the generated series to the weighted record's,
// worked by hand on a generated series that is the record doubled, in place of the mean of a block.
#include <gtest/gtest.h>

#include <cmath>

#include "report/report_charts.h"
#include "report/report_page.h"

namespace {

using namespace raingen::report;

raingen::gauge::CalendarSeries made(std::string name, double factor) {
  std::vector<double> rain(96 * 60, 0.0);
  for (std::size_t k = 0; k < rain.size(); k += 11) rain[k] = factor * (0.2 + static_cast<double>(k % 7));
  return {std::move(name), date::sys_days{date::year{2003} / 1 / 1}, std::move(rain)};
}

TEST(LevelCharts, RatiosOfTheRecordDoubled) {
  const auto w = made("weighted-record", 1), g = made("generated", 2);
  const auto sw = raingen::stats::compute_statistics(w, {}), sg = raingen::stats::compute_statistics(g, {});
  const std::vector<ReportSeries> series{{SeriesRole::weighted_record, &w, &sw}, {SeriesRole::generated, &g, &sg}};
  const std::optional<Chart> chart = ratio_chart(series);
  ASSERT_TRUE(chart);
  EXPECT_EQ(chart->y.scale, Scale::linear);
  // Doubled depths: the mean twice, the variance four times, the shape and the dry share kept.
  const struct {
    const char* label;
    double ratio;
  } expected[] = {{"Mean depth of a block", 2}, {"Variance", 4},       {"Coefficient of variation", 1}, {"Skewness", 1},
                  {"Lag-1 autocorrelation", 1}, {"Probability dry", 1}};
  for (const auto& e : expected) {
    const auto line =
        std::find_if(chart->lines.begin(), chart->lines.end(), [&](const Line& l) { return l.label == e.label; });
    ASSERT_NE(line, chart->lines.end()) << e.label;
    ASSERT_EQ(line->points.size(), 4u);
    for (const Point& p : line->points) {
      // Every 6-hour block and day is wet: a dry share of 0 in both gives no ratio.
      if (e.label == std::string("Probability dry") && p.x >= 360)
        EXPECT_TRUE(std::isnan(p.y)) << p.x;
      else
        EXPECT_NEAR(p.y, e.ratio, 1e-9) << e.label << " at " << p.x;
    }
  }
  // The spells, a day's only, have their own charts: the ratio chart has every level's statistics
  // and the line at 1.
  EXPECT_EQ(chart->lines.size(), 1 + raingen::stats::statistics_at(15).size());
  // Without the weighted record there is no ratio; the page then has no such chart.
  EXPECT_FALSE(ratio_chart({series[1]}));

  ReportContent content;
  content.site_name = "SITE";
  content.series = series;
  const std::string page = report_html(content);
  const std::size_t section = page.find("<h2>Statistics against aggregation level</h2>");
  ASSERT_NE(section, std::string::npos);
  const std::string level_section = page.substr(section, page.find("<h2>", section + 4) - section);
  EXPECT_NE(level_section.find("<title>Generated / weighted record</title>"), std::string::npos);
  EXPECT_NE(level_section.find("<title>Variance</title>"), std::string::npos);
  EXPECT_EQ(level_section.find("<title>Mean depth of a block</title>"), std::string::npos);  // no chart of its own
}

}  // namespace
