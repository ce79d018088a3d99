#include "report/hours_section.h"

#include <fmt/format.h>

#include "report/distribution_bands.h"
#include "report/report_charts.h"

namespace raingen::report {

namespace {

Chart hour_chart(const ReportContent& content, bool depth) {
  Chart chart;
  chart.title = depth ? "Mean depth by hour of the day" : "Share of wet 15-minute intervals by hour of the day";
  chart.width = 440;
  chart.x.label = "hour of the day (start)";
  chart.x.low = 0;
  chart.x.high = 23;
  for (int h = 0; h < 24; h += 3) chart.x.ticks.push_back({static_cast<double>(h), fmt::format("{:02}:00", h)});
  chart.y.label = depth ? "mean depth (mm/h)" : "share of intervals wet";
  chart.y.include_zero = true;
  std::vector<double> x;
  for (int h = 0; h < 24; ++h) x.push_back(h);
  const auto value = [depth](const stats::SeriesStatistics& s, std::size_t h) {
    return depth ? s.diurnal.mean_depth[h] : s.diurnal.wet_share[h];
  };
  if (content.ensemble) chart.bands.push_back(realizations_band(*content.ensemble, x, value));
  for (std::size_t k = 0; k < content.series.size(); ++k) {
    Line line = series_line(content.series, k);
    for (std::size_t h = 0; h < 24; ++h) line.points.push_back({x[h], value(*content.series[k].statistics, h)});
    chart.lines.push_back(std::move(line));
  }
  return chart;
}

Chart intensity_chart(const ReportContent& content) {
  Chart chart;
  chart.title = "15-minute intensities";
  chart.width = 440;
  chart.x.label = "one wet interval in N reaches it (N)";
  chart.x.scale = Scale::log;
  chart.y.label = "intensity (mm/h)";
  chart.y.scale = Scale::log;
  std::vector<double> x;
  for (double share : stats::event_shares) x.push_back(1 / share);
  const auto value = [](const stats::SeriesStatistics& s, std::size_t i) { return s.intensities[i]; };
  if (content.ensemble) chart.bands.push_back(realizations_band(*content.ensemble, x, value));
  for (std::size_t k = 0; k < content.series.size(); ++k) {
    Line line = series_line(content.series, k);
    for (std::size_t i = 0; i < x.size(); ++i) line.points.push_back({x[i], value(*content.series[k].statistics, i)});
    chart.lines.push_back(std::move(line));
  }
  return chart;
}

}  // namespace

std::vector<Chart> hours_charts(const ReportContent& content) {
  return {hour_chart(content, true), hour_chart(content, false), intensity_chart(content)};
}

void hours_section(HtmlPage& page, const ReportContent& content) {
  page.heading(2, "Hours and intensities");
  page.paragraph(
      "The mean depth of each hour of the day (mm/h, over the present intervals) and the share of its 15-minute "
      "intervals that are wet, then the intensity of the wet 15-minute intervals (4 times the depth, mm/h) that "
      "one in N of them reaches. The generator copies recorded days whole, so its hours should follow the "
      "records'; the weighted record and the three-station route average three gauges, which lowers their "
      "intensities against each gauge's. With an ensemble, the shaded band is the realizations' 5-95%.");
  std::vector<std::string> svgs;
  for (const Chart& c : hours_charts(content)) svgs.push_back(render_svg(c));
  page.figures(svgs);
}

}  // namespace raingen::report
