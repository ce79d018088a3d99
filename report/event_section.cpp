#include "report/event_section.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <cmath>
#include <optional>
#include <vector>

#include <fmt/format.h>

#include "report/banded_curves.h"
#include "report/distribution_bands.h"
#include "report/ensemble_statistics.h"
#include "report/report_charts.h"
#include "report/report_page.h"
#include "report/page_names.h"

namespace raingen::report {

namespace {

constexpr const char* band_color = "#d62728";  // the generated series' colour: its spread

constexpr const char* measure_names[] = {"depth (mm)", "duration (h)", "peak 15-minute depth (mm)",
                                         "time between events (h)"};

std::string svg_of(const Chart& chart) { return render_svg(chart); }

}  // namespace

Chart event_chart(std::size_t measure, const ReportContent& content) {
  Chart chart;
  chart.title = fmt::format("Events: {}", measure_names[measure]);
  chart.width = 440;
  chart.x.label = "one event in N reaches it (N)";
  chart.x.scale = Scale::log;
  chart.y.label = measure_names[measure];
  chart.y.scale = Scale::log;
  std::vector<double> x;
  for (double share : stats::event_shares) x.push_back(1 / share);
  if (content.ensemble) {
    BandedCurve curve;
    curve.label = "realizations' median";
    curve.color = band_color;
    curve.x = x;
    curve.band_label = "realizations 5\u201395%";
    curve.width = 1.2;
    curve.band_opacity = 0.18;
    for (std::size_t i = 0; i < x.size(); ++i) {
      const auto at = [measure, i](const stats::SeriesStatistics& s) -> std::optional<double> {
        return s.events.at_share[measure][i];
      };
      const auto nan = std::numeric_limits<double>::quiet_NaN();
      curve.value.push_back(realizations_quantile(*content.ensemble, 0.5, at).value_or(nan));
      curve.lower.push_back(realizations_quantile(*content.ensemble, 0.05, at).value_or(nan));
      curve.upper.push_back(realizations_quantile(*content.ensemble, 0.95, at).value_or(nan));
    }
    curve.dashed = true;
    add_banded_curve(chart, curve);
  }
  for (std::size_t k = 0; k < content.series.size(); ++k) {
    Line line = series_line(content.series, k);
    for (std::size_t i = 0; i < x.size(); ++i)
      line.points.push_back({x[i], content.series[k].statistics->events.at_share[measure][i]});
    chart.lines.push_back(std::move(line));
  }
  return chart;
}

void event_section(HtmlPage& page, const ReportContent& content) {
  page.heading(2, "Rain events");
  page.paragraph(fmt::format(
      "Rain events as storage and overflow work counts storms: a run of 15-minute intervals with rain, ended by at "
      "least {:g} hours without any (--event-gap), kept when its depth is at least {:g} mm (--event-min-depth). "
      "Missing intervals in a run no longer than the gap (a logger's lost readings) count as dry, as they do for "
      "the statistics; an event that a longer gap in the record or an end of the series cuts, or that comes closer "
      "to one than the gap, is of unknown extent and left out (censored). Duration runs from the first wet interval "
      "to the last; the time between two events from the end of one to the start of the next, when no such gap "
      "lies between. The "
      "generator joins days drawn apart: a storm that runs past midnight goes on only when the next day drawn "
      "begins wet, so that it is cut in two; weighting three stations drawn apart, wet whenever any one is, joins "
      "showers into longer events instead.",
      content.options.events.gap_hours, content.options.events.min_depth));
  Table table;
  table.header = {"measure"};
  for (const ReportSeries& s : content.series) table.header.push_back(s.statistics->name);
  if (content.ensemble) table.header.push_back("realizations 5\u201395%");
  const auto add_row = [&](std::string name,
                           const std::function<std::optional<double>(const stats::SeriesStatistics&)>& value) {
    std::vector<Cell> row{text_cell(std::move(name))};
    for (const ReportSeries& s : content.series) row.push_back(number_cell(value(*s.statistics)));
    if (content.ensemble)
      row.push_back(band_cell(realizations_quantile(*content.ensemble, 0.05, value),
                              realizations_quantile(*content.ensemble, 0.95, value)));
    table.rows.push_back(std::move(row));
  };
  add_row("events a year", [](const stats::SeriesStatistics& s) { return s.events.per_year; });
  for (std::size_t m = 0; m < 4; ++m)
    add_row(fmt::format("mean {}", measure_names[m]),
            [m](const stats::SeriesStatistics& s) { return s.events.mean[m]; });
  add_row("events counted", [](const stats::SeriesStatistics& s) -> std::optional<double> {
    return static_cast<double>(s.events.count);
  });
  add_row("events censored", [](const stats::SeriesStatistics& s) -> std::optional<double> {
    return static_cast<double>(s.events.censored);
  });
  page.markup(table_html(table));
  page.paragraph(
      "Each measure against how rare it is: the value that one event in N reaches or passes (both log scales), "
      "the largest events to the right. A series' line ends where it has fewer than N events.");
  std::vector<std::string> charts;
  for (std::size_t m = 0; m < 4; ++m) charts.push_back(svg_of(event_chart(m, content)));
  page.figures(charts);
}

}  // namespace raingen::report
