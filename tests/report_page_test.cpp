// The report's charts and page: ticks a reader takes in, a chart drawn byte for byte as worked
// out by hand, and a page that stands alone and does not change with the locale.
#include <gtest/gtest.h>

#include <cmath>
#include <locale>
#include <string>
#include <vector>

#include "common/gauge_arguments.h"
#include "common/tool_error.h"
#include "report/page_names.h"
#include "report/report_page.h"
#include "report/season_section.h"
#include "stats/series_statistics.h"

namespace {

using namespace raingen::report;

std::vector<std::string> labels(const AxisRange& r) {
  std::vector<std::string> out;
  for (const Tick& t : r.ticks) out.push_back(t.label);
  return out;
}

TEST(Ticks, StepsOfOneTwoFiveAndDecades) {
  using L = std::vector<std::string>;
  const struct {
    double low, high;
    L expected;
  } linear[] = {
      {0, 7.3, {"0", "2", "4", "6", "8"}},
      {0.013, 0.087, {"0.00", "0.02", "0.04", "0.06", "0.08", "0.10"}},
      {-0.3, 0.25, {"-0.4", "-0.2", "0.0", "0.2", "0.4"}},
      {120, 980, {"0", "200", "400", "600", "800", "1000"}},
      {5, 5, {"4.4", "4.6", "4.8", "5.0", "5.2", "5.4", "5.6"}},
      {0, 0, {"-1.0", "-0.5", "0.0", "0.5", "1.0"}},
  };
  for (const auto& c : linear) EXPECT_EQ(labels(linear_axis(c.low, c.high)), c.expected) << c.low << " " << c.high;
  const AxisRange r = linear_axis(0, 7.3);
  EXPECT_EQ(r.low, 0);
  EXPECT_EQ(r.high, 8);
  EXPECT_EQ(labels(log_axis(0.03, 40)), (L{"0.01", "0.1", "1", "10", "100"}));
  EXPECT_EQ(labels(log_axis(0.3, 0.8)), (L{"0.1", "0.2", "0.5", "1"}));
  EXPECT_EQ(labels(log_axis(1e-6, 1e-5)), (L{"1e-06", "2e-06", "5e-06", "1e-05"}));
  EXPECT_EQ(labels(log_axis(10, 10)), (L{"10", "20", "50", "100"}));
}

TEST(Chart, DrawnAsWorkedOutByHand) {
  // Plot area x 62..186, y 106 (value 0) up to 30 (value 4): 31 px per x unit, 19 per y unit.
  // The gap in the line breaks it in two; the bar without a value is not drawn; the legend's
  // third entry does not fit the first row.
  Chart c;
  c.title = "A & B";
  c.width = 200;
  c.height = 150;
  c.x.label = "x";
  c.x.low = 0;
  c.x.high = 10;
  c.y.label = "y <mm>";
  c.y.low = 0;
  c.y.high = 4;
  c.bands.push_back({"band", "#cccccc", {0, 10}, {1, 1}, {3, 3}, 0.25});
  c.bars.push_back({"bar", "#00ff00", {{2, 4, 2}, {6, 8, std::nan("")}}});
  c.lines.push_back({"line", "#ff0000", {{0, 0}, {5, std::nan("")}, {5, 4}, {10, 2}}, 2, true, true});
  EXPECT_EQ(render_svg(c),
            "<svg width=\"200\" height=\"182.0\" viewBox=\"0 0 200 182.0\" role=\"img\" font-family=\"sans-serif\" "
            "font-size=\"11\">\n"
            "<title>A &amp; B</title>\n"
            "<rect width=\"200\" height=\"182.0\" fill=\"#ffffff\"/>\n"
            "<text x=\"62.0\" y=\"18\" font-size=\"12.5\" font-weight=\"bold\">A &amp; B</text>\n"
            "<line x1=\"62.0\" x2=\"186.0\" y1=\"106.0\" y2=\"106.0\" stroke=\"#e3e3e3\"/>\n"
            "<text x=\"57.0\" y=\"109.5\" text-anchor=\"end\">0</text>\n"
            "<line x1=\"62.0\" x2=\"186.0\" y1=\"87.0\" y2=\"87.0\" stroke=\"#e3e3e3\"/>\n"
            "<text x=\"57.0\" y=\"90.5\" text-anchor=\"end\">1</text>\n"
            "<line x1=\"62.0\" x2=\"186.0\" y1=\"68.0\" y2=\"68.0\" stroke=\"#e3e3e3\"/>\n"
            "<text x=\"57.0\" y=\"71.5\" text-anchor=\"end\">2</text>\n"
            "<line x1=\"62.0\" x2=\"186.0\" y1=\"49.0\" y2=\"49.0\" stroke=\"#e3e3e3\"/>\n"
            "<text x=\"57.0\" y=\"52.5\" text-anchor=\"end\">3</text>\n"
            "<line x1=\"62.0\" x2=\"186.0\" y1=\"30.0\" y2=\"30.0\" stroke=\"#e3e3e3\"/>\n"
            "<text x=\"57.0\" y=\"33.5\" text-anchor=\"end\">4</text>\n"
            "<line x1=\"62.0\" x2=\"62.0\" y1=\"30.0\" y2=\"106.0\" stroke=\"#e3e3e3\"/>\n"
            "<text x=\"62.0\" y=\"120.0\" text-anchor=\"middle\">0</text>\n"
            "<line x1=\"86.8\" x2=\"86.8\" y1=\"30.0\" y2=\"106.0\" stroke=\"#e3e3e3\"/>\n"
            "<text x=\"86.8\" y=\"120.0\" text-anchor=\"middle\">2</text>\n"
            "<line x1=\"111.6\" x2=\"111.6\" y1=\"30.0\" y2=\"106.0\" stroke=\"#e3e3e3\"/>\n"
            "<text x=\"111.6\" y=\"120.0\" text-anchor=\"middle\">4</text>\n"
            "<line x1=\"136.4\" x2=\"136.4\" y1=\"30.0\" y2=\"106.0\" stroke=\"#e3e3e3\"/>\n"
            "<text x=\"136.4\" y=\"120.0\" text-anchor=\"middle\">6</text>\n"
            "<line x1=\"161.2\" x2=\"161.2\" y1=\"30.0\" y2=\"106.0\" stroke=\"#e3e3e3\"/>\n"
            "<text x=\"161.2\" y=\"120.0\" text-anchor=\"middle\">8</text>\n"
            "<line x1=\"186.0\" x2=\"186.0\" y1=\"30.0\" y2=\"106.0\" stroke=\"#e3e3e3\"/>\n"
            "<text x=\"186.0\" y=\"120.0\" text-anchor=\"middle\">10</text>\n"
            "<polygon fill=\"#cccccc\" fill-opacity=\"0.25\" stroke=\"none\" points=\"62.0,49.0 186.0,49.0 186.0,87.0 "
            "62.0,87.0\"/>\n"
            "<rect x=\"86.8\" y=\"68.0\" width=\"24.8\" height=\"38.0\" fill=\"#00ff00\"/>\n"
            "<polyline fill=\"none\" stroke=\"#ff0000\" stroke-width=\"2.0\" stroke-dasharray=\"5 3\" "
            "stroke-linejoin=\"round\" points=\"62.0,106.0\"/>\n"
            "<circle cx=\"62.0\" cy=\"106.0\" r=\"2.6\" fill=\"#ff0000\"/>\n"
            "<polyline fill=\"none\" stroke=\"#ff0000\" stroke-width=\"2.0\" stroke-dasharray=\"5 3\" "
            "stroke-linejoin=\"round\" points=\"124.0,30.0 186.0,68.0\"/>\n"
            "<circle cx=\"124.0\" cy=\"30.0\" r=\"2.6\" fill=\"#ff0000\"/>\n"
            "<circle cx=\"186.0\" cy=\"68.0\" r=\"2.6\" fill=\"#ff0000\"/>\n"
            "<rect x=\"62.0\" y=\"30.0\" width=\"124.0\" height=\"76.0\" fill=\"none\" stroke=\"#888888\"/>\n"
            "<text x=\"124.0\" y=\"137.0\" text-anchor=\"middle\">x</text>\n"
            "<text x=\"14\" y=\"68.0\" text-anchor=\"middle\" transform=\"rotate(-90 14 68.0)\">y &lt;mm&gt;</text>\n"
            "<rect x=\"62.0\" y=\"149.5\" width=\"20\" height=\"9\" fill=\"#cccccc\" fill-opacity=\"0.25\"/>\n"
            "<text x=\"88.0\" y=\"158.0\">band</text>\n"
            "<rect x=\"125.2\" y=\"149.5\" width=\"20\" height=\"9\" fill=\"#00ff00\" fill-opacity=\"1.00\"/>\n"
            "<text x=\"151.2\" y=\"158.0\">bar</text>\n"
            "<line x1=\"62.0\" x2=\"82.0\" y1=\"170.0\" y2=\"170.0\" fill=\"none\" stroke=\"#ff0000\" "
            "stroke-width=\"2.0\" stroke-dasharray=\"5 3\"/>\n"
            "<text x=\"88.0\" y=\"174.0\">line</text>\n"
            "</svg>\n");
}

TEST(Chart, LinesThinnedToWhatShowsAndLogAxesSkipZero) {
  Chart c;
  c.y.scale = Scale::log;
  Line line{"l", "#000000", {}, 1, false, false};
  for (int k = 0; k <= 10000; ++k) line.points.push_back({k / 10000.0, 1 + k / 10000.0});
  line.points.push_back({1, 0});  // not on a log axis
  c.lines.push_back(line);
  const std::string svg = render_svg(c);
  const std::size_t from = svg.find("points=\""), to = svg.find('"', from + 8);
  const std::string points = svg.substr(from + 8, to - from - 8);
  const auto count = std::count(points.begin(), points.end(), ' ') + 1;
  EXPECT_GT(count, 100);  // about one point per pixel of the 364-pixel plot
  EXPECT_LT(count, 800);
  EXPECT_EQ(svg.find("points=\"", to), std::string::npos);  // the zero made no second segment
}

// A decimal comma in the C++ global locale must not reach the page.
struct CommaPoint : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

raingen::gauge::CalendarSeries rain(std::string name, int seed) {
  raingen::gauge::CalendarSeries s(std::move(name), date::sys_days{date::year{2003} / 1 / 1}, 96 * 800);
  for (std::size_t k = 0; k < s.size(); ++k)
    if ((k / 96 + seed) % 3 == 0 && k % 96 > 40 && k % 96 < 50)
      s.set_depth(k, 0.2 * static_cast<double>((k + seed) % 7));
    else if (k % 5000 != 7)
      s.set_depth(k, 0);
  return s;
}

TEST(Page, StandsAloneAndIsTheSameInAnyLocale) {
  const raingen::gauge::CalendarSeries a = rain("record:<A&B>", 0), w = rain("weighted-record", 1),
                                       g = rain("generated", 2);
  using raingen::stats::compute_statistics;
  const raingen::stats::SeriesStatistics sa = compute_statistics(a, {}), sw = compute_statistics(w, {}),
                                         sg = compute_statistics(g, {});
  ReportContent content;
  content.site_name = "HILL<SITE>";
  content.run = {{"site", "HILL<SITE>"}};
  content.station_header = {"station", "distance"};
  content.stations = {{"<A&B>", "1"}};
  content.series = {
      {SeriesRole::record, &a, &sa}, {SeriesRole::weighted_record, &w, &sw}, {SeriesRole::generated, &g, &sg}};
  const SeasonReport seasons = season_report(content.series, {}, 0);
  content.seasons = &seasons;
  const std::string page = report_html(content);
  const std::locale before = std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
  const std::string again = report_html(content);
  std::locale::global(before);
  EXPECT_EQ(page, again);

  for (const char* outside : {"<script", "http:", "https:", "src=", "href", "url(", "@import", "xmlns"})
    EXPECT_EQ(page.find(outside), std::string::npos) << outside;
  EXPECT_EQ(page.find("<A&B>"), std::string::npos);
  EXPECT_NE(page.find("record:&lt;A&amp;B&gt;"), std::string::npos);
  EXPECT_EQ(std::count(page.begin(), page.end(), '\t'), 0);
  // Seven statistics against level, dry and wet spells, exceedance, two return-period charts, two
  // wettest days, monthly totals and wet-day shares, four of events, three of hours.
  std::size_t charts = 0;
  for (std::size_t at = page.find("<svg "); at != std::string::npos; at = page.find("<svg ", at + 1)) ++charts;
  EXPECT_EQ(charts, 7u + 2 + 1 + 2 + 2 + 2 + 4 + 3);
  EXPECT_NE(page.find("<th>generated / weighted-record</th>"), std::string::npos);
  EXPECT_EQ(display_number(0.000123456), "0.0001235");
  EXPECT_EQ(display_number(12345.6), "12346");
  EXPECT_EQ(display_number(std::nullopt), "-");
}

TEST(GaugeArguments, OptionsForEveryGaugeOrForOne) {
  using raingen::common::UsageError;
  auto gauges = raingen::common::parse_gauge_arguments({"PD01=a=b.csv", "PD02=c.csv"});
  ASSERT_EQ(gauges.size(), 2u);
  EXPECT_EQ(gauges[0].path, "a=b.csv");
  raingen::common::distribute_reading_option(gauges, "column", {"PD02:rain:mm", "depth"});
  raingen::common::distribute_reading_option(gauges, "from", {"2001-01-01"});
  using Options = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(gauges[0].options, (Options{{"column", "depth"}, {"from", "2001-01-01"}}));
  EXPECT_EQ(gauges[1].options, (Options{{"column", "depth"}, {"column", "rain:mm"}, {"from", "2001-01-01"}}));
  // A prefix that is no gauge's ID is part of the value.
  raingen::common::distribute_reading_option(gauges, "stamp", {"PD03:start"});
  EXPECT_EQ(gauges[0].options.back(), (std::pair<std::string, std::string>{"stamp", "PD03:start"}));
  EXPECT_THROW(raingen::common::distribute_reading_option(gauges, "format", {"csv", "tips"}), UsageError);
  EXPECT_THROW(raingen::common::distribute_reading_option(gauges, "format", {"PD01:csv", "PD01:tips"}), UsageError);
  for (const char* bad : {"PD01", "=x.csv", "PD01="})
    EXPECT_THROW(raingen::common::parse_gauge_arguments({bad}), UsageError) << bad;
  EXPECT_THROW(raingen::common::parse_gauge_arguments({"A=x", "A=y"}), UsageError);
}

}  // namespace
