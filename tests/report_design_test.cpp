// The design rainfall as raingen-report gives it: on an ensemble whose every realization holds the
// record's largest day once in its five years, the page says where the annual maxima plateau at
// the record's largest depth, with its numbers, and marks the return periods from there on (and
// no others); statistics.csv holds the same in long form; the report is the same for any --jobs.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ensemble_file/ensemble_file.h"
#include "ensemble_file/run_directory.h"
#include "report/banded_curves.h"
#include "report/table.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;

constexpr int realizations = 20;
constexpr std::size_t days = 2000;

// A SWMM rain file of station KARO over 1960-2009 (absent intervals dry): one storm a year on
// 1 July, four intervals from 12:00 of 2 to 8 mm; in 1985 the largest, four of 20 mm.
std::string record() {
  std::string text;
  char line[64];
  for (int y = 1960; y <= 2009; ++y)
    for (int q = 0; q < 4; ++q) {
      std::snprintf(line, sizeof line, "KARO %d 07 01 12 %02d %.1f\n", y, 15 * q, y == 1985 ? 20.0 : 2.0 + y % 7);
      text += line;
    }
  return text;
}

// Realization k: 0.5 mm at 15:00 every tenth day, and the record's largest storm (four intervals of
// 20 mm from 12:00) on day 100 of its year k mod 5 (years from 2001-01-01).
std::vector<float> realization(int k) {
  std::vector<float> depths(days * 96, 0.0f);
  for (std::size_t d = 0; d < days; d += 10) depths[d * 96 + 60] = 0.5f;
  const std::size_t storm = (100 + 365 * static_cast<std::size_t>(k % 5)) * 96 + 48;
  for (std::size_t q = 0; q < 4; ++q) depths[storm + q] = 20.0f;
  return depths;
}

void make_run(const TempDir& dir) {
  run_example(dir);
  dir.write("INPUT.TXT", "RESULTS FILE: RESULTS.TXT\r\nSITE NAME:    HILLCREST\r\nSTATION 1:    KARO\r\n"
                         "STATION 2:    MELV\r\nSTATION 3:    TWIN\r\nDISTANCE 1:     0\r\nDISTANCE 2:     7\r\n"
                         "DISTANCE 3:    11\r\nNUMBER DAYS:  2000\r\n");
  ChildSetup setup;
  setup.directory = dir.path();
  setup.environment = {{"RAINGEN_SEED", "3"}};
  ASSERT_EQ(run_raingen(setup).exit_status, 0);
  dir.write("karo.dat", record());
  namespace ef = raingen::ensemble_file;
  ef::EnsembleLayout layout;
  layout.start = date::sys_days{date::year{2001} / 1 / 1};
  layout.site = "HILLCREST";
  layout.intervals = days * 96;
  layout.realizations = realizations;
  layout.source = "made by the test";
  layout.checksum = ef::read_run_directory(dir.path()).checksum;
  ef::EnsembleWriter writer(dir / "e.nc", "e.nc", layout);
  for (int k = 0; k < realizations; ++k) writer.put_complete(k, k + 1, realization(k));
  writer.close();
}

Outcome report(const TempDir& dir, const std::string& output, const std::string& jobs) {
  ChildSetup setup;
  setup.directory = dir.path();
  setup.timeout_seconds = 600;
  return run_tool_program(setup, "raingen-report",
                          {"--gauge", "KARO=karo.dat", "--format", "swmm", "--from", "1960-01-01", "--to", "2009-12-31",
                           "--ensemble", "e.nc", "--jobs", jobs, "--output", output});
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(ReportDesign, APlateauAtTheRecordsLargestDayIsSaidAndItsReturnPeriodsMarked) {
  TempDir dir;
  make_run(dir);
  const Outcome made = report(dir, "out", "3");
  ASSERT_EQ(made.exit_status, 0) << made.err;
  EXPECT_EQ(made.err, "");
  const std::string page = dir.read("out/report.html"), csv = dir.read("out/statistics.csv");

  // 100 of the 120 realization-years count (the sixth, 175 days of 2006, does not); 20 of them
  // hold the 80 mm storm: 20 mm in 15 minutes, 40 in 30 and 80 from an hour on, the record's
  // largest depths. The Weibull levels are at that ceiling from (100 + 1) / 20 = 5.05 years.
  EXPECT_TRUE(has(page, "<tr><td>ensemble (20 realizations pooled)</td><td class=\"n\">100</td><td class=\"n\">120</td>"));
  EXPECT_TRUE(has(page, "weighted-record holds 50.0 years of data: a return level beyond twice that, 100.0 years"));
  for (const char* row : {"<tr><td>15 min</td><td class=\"n\">20</td><td class=\"n\">20</td>",
                          "<tr><td>1 h</td><td class=\"n\">80</td><td class=\"n\">80</td>",
                          "<tr><td>24 h</td><td class=\"n\">80</td><td class=\"n\">80.5</td>"})
    EXPECT_TRUE(has(page, std::string(row) + "<td class=\"n\">20</td><td class=\"n\">100</td><td class=\"n\">20%</td>"
                                             "<td class=\"n\">5.05</td></tr>"))
        << row;
  EXPECT_TRUE(has(page, "ensemble (20 realizations pooled): the annual maxima plateau at the record&#39;s largest depth "
                        "at 15 min from 5.05 years (20 of 100), 30 min from 5.05 years (20 of 100), 1 h from 5.05 years"));

  // The Weibull table of the ensemble at 15 minutes: 2 years at the 0.5 mm of the other years, 5
  // years at position 80.8, between 0.5 and 20 and not marked; 10 years on at the ceiling, marked.
  const std::string weibull = page.substr(page.find("Depth (mm), Weibull plotting position", page.find("Depth-duration-frequency: ensemble")));
  const std::string row = weibull.substr(weibull.find("<tr><td>15 min</td>"), weibull.find("</tr>", weibull.find("<tr><td>15 min</td>")) - weibull.find("<tr><td>15 min</td>"));
  EXPECT_TRUE(has(row, "<td class=\"n\">100</td><td class=\"n\">0.5</td>")) << row;
  EXPECT_TRUE(has(row, "<td class=\"n\">16.1</td>")) << row;  // 0.5 + 0.8 (20 - 0.5)
  EXPECT_EQ(row.find("<td class=\"n muted\">"), row.find("<td class=\"n muted\">20<sup>\u2021</sup></td>")) << row;
  std::size_t marked = 0;
  for (std::size_t at = row.find("<sup>\u2021</sup>"); at != std::string::npos; at = row.find("<sup>\u2021</sup>", at + 1)) ++marked;
  EXPECT_EQ(marked, 4u) << "10, 20, 50 and 100 years";
  EXPECT_FALSE(has(page, "<sup>\u2020")) << "50 years of record: no return period beyond twice them";
  EXPECT_TRUE(has(weibull, "\u2021 at the ceiling: from this return period on the annual maxima are the record&#39;s largest depth."));

  for (const char* line : {"\nensemble,15,annual_maxima_years,100,,,\n", "\nensemble,15,share_reaching_largest_recorded,0.2,,,\n",
                           "\nensemble,15,plateau_from_years,5.05,,,\n", "\nensemble,15,return_level_empirical,20,10,20,20\n",
                           "\nensemble,15,return_level_empirical,0.5,2,", "\nensemble,60,return_intensity_empirical,80,100,80,80\n",
                           "\nweighted-record,15,largest_depth,20,,,\n", "\nweighted-record,1440,annual_maximum,80,1985,,\n",
                           "\nweighted-record,,supported_return_period_years,", "\nrealization:3,15,annual_maximum,20,2003,,\n",
                           "\nrealization:3,15,annual_maximum,0.5,2001,,\n"})
    EXPECT_TRUE(has(csv, line)) << line;
  EXPECT_FALSE(has(csv, "\nrealization:3,15,annual_maximum,0,2006,")) << "a part year is no year";

  // One job or three: the same files.
  ASSERT_EQ(report(dir, "one", "1").exit_status, 0);
  EXPECT_EQ(dir.read("one/statistics.csv"), csv);
  EXPECT_EQ(dir.read("one/report.html"), page);
}

// The helpers the design tables and charts are made of, for any table or chart with a band.
TEST(ReportHelpers, TableWithBandsMarksAndNotes) {
  using namespace raingen::report;
  Table t;
  t.header = {"duration", "10 years", "90%"};
  Cell flagged = number_cell(20.0);
  flagged.mark = "\u2021";
  flagged.muted = true;
  t.rows = {{text_cell("15 min <"), flagged, band_cell(19.5, 20.25)}, {text_cell("1 h"), number_cell({}), band_cell(1, {})}};
  t.notes = {"\u2021 at the ceiling & so"};
  EXPECT_EQ(table_html(t),
            "<table>\n<tr><th>duration</th><th>10 years</th><th>90%</th></tr>\n"
            "<tr><td>15 min &lt;</td><td class=\"n muted\">20<sup>\u2021</sup></td><td class=\"n\">19.5\u201320.25</td></tr>\n"
            "<tr><td>1 h</td><td class=\"n\">-</td><td class=\"n\">-</td></tr>\n"
            "</table>\n<p class=\"note\">\u2021 at the ceiling &amp; so</p>\n");
  EXPECT_EQ(percent_cell(0.246).text, "25%");

  // A banded curve: its band under every line, its line; points alone show as markers, in the
  // legend too.
  Chart chart;
  chart.x = duration_axis();
  chart.y = log_value_axis("depth (mm)");
  add_banded_curve(chart, {"10 years", "#123456", {15, 60}, {5, 10}, {4, 9}, {6, 11}, "90%"});
  BandedCurve points{"record", "#654321", {15, 60}, {3, 8}, {}, {}, ""};
  points.joined = false;
  add_banded_curve(chart, points);
  ASSERT_EQ(chart.bands.size(), 1u);
  ASSERT_EQ(chart.lines.size(), 2u);
  const std::string svg = render_svg(chart);
  EXPECT_LT(svg.find("<polygon fill=\"#123456\""), svg.find("<polyline fill=\"none\" stroke=\"#123456\""));
  EXPECT_EQ(svg.find("stroke=\"#654321\""), std::string::npos) << "no line through the points";
  std::size_t circles = 0;
  for (std::size_t at = svg.find("r=\"2.6\" fill=\"#654321\""); at != std::string::npos;
       at = svg.find("r=\"2.6\" fill=\"#654321\"", at + 1))
    ++circles;
  EXPECT_EQ(circles, 3u) << "two points and the legend's marker";
  for (const char* tick : {">15 min<", ">30 min<", ">1 h<", ">24 h<"}) EXPECT_NE(svg.find(tick), std::string::npos) << tick;
}

}  // namespace
