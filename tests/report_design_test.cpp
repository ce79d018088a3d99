// The design rainfall as raingen-report gives it: on an ensemble whose every realization holds the
// record's largest day once in its five years, the page says where the annual maxima plateau at
// the record's largest depth, with its numbers, and marks the return periods from there on (and
// no others); statistics.csv holds the same in long form; the report is the same for any --jobs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "ensemble_file/ensemble_file.h"
#include "run_directory/run_directory.h"
#include "report/banded_curves.h"
#include "report/design_charts.h"
#include "report/design_section.h"
#include "report/design_report.h"
#include "report/ensemble_statistics.h"
#include "report/page_names.h"
#include "report/reference_curve.h"
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
  dir.write("INPUT.TXT",
            "RESULTS FILE: RESULTS.TXT\r\nSITE NAME:    HILLCREST\r\nSTATION 1:    KARO\r\n"
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
  layout.checksum = raingen::run_directory::read_run_directory(dir.path()).checksum;
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
  EXPECT_TRUE(
      has(page, "<tr><td>ensemble (20 realizations pooled)</td><td class=\"n\">100</td><td class=\"n\">120</td>"));
  EXPECT_TRUE(has(page, "weighted-record holds 50.0 years of data: a return level beyond twice that, 100.0 years"));
  for (const char* row : {"<tr><td>15 min</td><td class=\"n\">20</td><td class=\"n\">20</td>",
                          "<tr><td>1 h</td><td class=\"n\">80</td><td class=\"n\">80</td>",
                          "<tr><td>24 h</td><td class=\"n\">80</td><td class=\"n\">80.5</td>"})
    EXPECT_TRUE(has(page, std::string(row) +
                              "<td class=\"n\">20</td><td class=\"n\">0</td><td class=\"n\">100</td>"
                              "<td class=\"n\">20%</td><td class=\"n\">5.05</td><td class=\"n\">-</td></tr>"))
        << row;
  // The limits table gives the realizations' own ceiling beside the single realization's.
  EXPECT_TRUE(has(page, "<td class=\"n\">all 100 years pooled: 20% at it, 0% above</td></tr>"));
  EXPECT_TRUE(has(page,
                  "ensemble (20 realizations pooled): the annual maxima plateau at the record&#39;s largest depth "
                  "at 15 min from 5.05 years (20 of 100), 30 min from 5.05 years (20 of 100), 1 h from 5.05 years"));

  // The Weibull table of the ensemble at 15 minutes: 2 years at the 0.5 mm of the other years, 5
  // years at position 80.8, between 0.5 and 20 and not marked; 10 years on at the ceiling, marked.
  const std::string weibull =
      page.substr(page.find("Depth (mm), Weibull plotting position", page.find("Depth-duration-frequency: ensemble")));
  const std::string row =
      weibull.substr(weibull.find("<tr><td>15 min</td>"),
                     weibull.find("</tr>", weibull.find("<tr><td>15 min</td>")) - weibull.find("<tr><td>15 min</td>"));
  EXPECT_TRUE(has(row, "<td class=\"n\">100</td><td class=\"n\">0.5</td>")) << row;
  EXPECT_TRUE(has(row, "<td class=\"n\">16.1</td>")) << row;  // 0.5 + 0.8 (20 - 0.5)
  EXPECT_EQ(row.find("<td class=\"n muted\">"), row.find("<td class=\"n muted\">20<sup>\u2021</sup></td>")) << row;
  std::size_t marked = 0;
  for (std::size_t at = row.find("<sup>\u2021</sup>"); at != std::string::npos;
       at = row.find("<sup>\u2021</sup>", at + 1))
    ++marked;
  EXPECT_EQ(marked, 4u) << "10, 20, 50 and 100 years";
  EXPECT_FALSE(has(page, "<sup>\u2020")) << "50 years of record: no return period beyond twice them";
  EXPECT_TRUE(has(page, "weighted-record&#39;s own 90% interval</text>")) << "the record's band in the charts";
  EXPECT_TRUE(has(
      weibull, "\u2021 at the ceiling: at this return period the annual maxima are the record&#39;s largest depth."));

  for (const char* line :
       {"\nensemble,15,annual_maxima_years,100,,,\n", "\nensemble,15,share_reaching_largest_recorded,0.2,,,\n",
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

// Without an ensemble the generated series leads: its 2000 days give 5 years (6 with a rule of
// 40%, the sixth holding 175 days of 365), too few for a GEV; the options are checked.
TEST(ReportDesign, ASingleRunAndTheYearRule) {
  TempDir dir;
  make_run(dir);
  auto run = [&](std::vector<std::string> more) {
    std::vector<std::string> arguments{"--gauge",    "KARO=karo.dat", "--format",   "swmm",     "--from",
                                       "1960-01-01", "--to",          "2009-12-31", "--output", "single"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    ChildSetup setup;
    setup.directory = dir.path();
    return run_tool_program(setup, "raingen-report", arguments);
  };
  const Outcome made = run({});
  ASSERT_EQ(made.exit_status, 0) << made.err;
  const std::string page = dir.read("single/report.html"), csv = dir.read("single/statistics.csv");
  EXPECT_TRUE(has(page, "<h3>Depth-duration-frequency: generated, 5 years</h3>"));
  EXPECT_TRUE(has(page, "<p>No GEV: 5 years of maxima, fewer than the 10 a fit needs.</p>"));
  EXPECT_TRUE(has(page, "<h3>Depth-duration-frequency: weighted-record (the record&#39;s own), 50 years</h3>"));
  EXPECT_TRUE(has(page, "largest annual maximum of generated (mm)"));
  // The run's station files are the example's, not KARO's record: from 3 h on one of its 5 years
  // passes the record's 80 mm (81.58 mm at 3 h), none is at it, and no return period is marked.
  EXPECT_TRUE(has(page,
                  "<tr><td>3 h</td><td class=\"n\">80</td><td class=\"n\">81.58</td><td class=\"n\">0</td>"
                  "<td class=\"n\">1</td><td class=\"n\">5</td><td class=\"n\">0%</td><td class=\"n\">-</td>"
                  "<td class=\"n\">-</td></tr>"));
  EXPECT_TRUE(has(page, "generated: no design return period lies at the record&#39;s largest depth.</p>"));
  EXPECT_TRUE(has(page,
                  "generated: annual maxima above the record&#39;s largest depth, 1 of 5 at 3 h, 1 of 5 at 6 h, "
                  "1 of 5 at 12 h, 1 of 5 at 24 h: "));
  EXPECT_FALSE(has(page, "<sup>\u2021</sup>"));
  EXPECT_FALSE(has(page, "realizations pooled"));
  for (const char* line : {"\ngenerated,15,annual_maxima_years,5,,,\n", "\ngenerated,15,return_level_gev,,2,,\n",
                           "\nweighted-record,15,annual_maxima_years,50,,,\n", "\nweighted-record,1440,gev_shape,"})
    EXPECT_TRUE(has(csv, line)) << line;
  EXPECT_FALSE(has(csv, "\nensemble,"));
  ASSERT_EQ(run({"--year-complete", "40"}).exit_status, 0);
  EXPECT_TRUE(has(dir.read("single/statistics.csv"), "\ngenerated,15,annual_maxima_years,6,,,\n"));

  for (const std::vector<std::string>& bad : {std::vector<std::string>{"--year-complete", "101"},
                                              {"--year-complete", "nan"},
                                              {"--min-complete", "nan"},
                                              {"--dry-threshold", "nan"},
                                              {"--jobs", "0"}}) {
    const Outcome refused = run(bad);
    EXPECT_EQ(refused.exit_status, 2) << bad[0];
    EXPECT_TRUE(refused.err.starts_with("raingen-report: ") && has(refused.err, bad[0])) << refused.err;
    EXPECT_EQ(refused.out, "");
  }

  // A reference curve: each point beside the levels (300 mm in 15 minutes above every interval; no
  // level at 5 minutes), its points in statistics.csv; a file that is no curve is refused.
  const std::string header = "duration_minutes,return_period_years,depth_mm";
  dir.write("ref.csv", header + ",lower_mm,upper_mm\r\n15,2,300,250,350\n5,2,1.5,,\n");
  ASSERT_EQ(run({"--reference-ddf", "ref.csv"}).exit_status, 0);
  const std::string with = dir.read("single/report.html"), with_csv = dir.read("single/statistics.csv");
  EXPECT_TRUE(has(with, "<h3>Against the reference curve ref.csv</h3>"));
  const std::size_t at = with.find("<tr><td>15 min</td><td class=\"n\">2</td><td class=\"n\">300</td>");
  ASSERT_NE(at, std::string::npos);
  const std::string row = with.substr(at, with.find("</tr>", at) - at);
  std::size_t above = 0;
  for (std::size_t k = row.find("<td>above</td>"); k != std::string::npos; k = row.find("<td>above</td>", k + 1))
    ++above;
  EXPECT_EQ(above, 2u) << row;
  EXPECT_TRUE(has(with, "<tr><td>5 min</td><td class=\"n\">2</td><td class=\"n\">1.5</td>"));
  for (const char* line : {"\nreference-ddf,15,return_level_reference,300,2,250,350\n",
                           "\nreference-ddf,5,return_level_reference,1.5,2,,\n"})
    EXPECT_TRUE(has(with_csv, line)) << line;
  const struct {
    std::string content, message;
  } refusals[] = {
      {"duration,years,depth\n",
       "1: the header is neither duration_minutes,return_period_years,depth_mm nor that "
       "with ,lower_mm,upper_mm"},
      {header + "\n15,1,3\n", "2: the return period '1' is not above 1 year"},
      {header + "\n15.5,2,3\n", "2: the duration '15.5' is no whole number of minutes from 1 to 525600"},
      {header + "\n15,2,-1\n", "2: the depth '-1' is not from 0 to below 1e9 mm"},
      {header + ",lower_mm,upper_mm\n15,2,3,4,5\n", "2: the interval 4 to 5 does not hold the depth 3"},
      {header + "\n15,2\n", "2: 2 fields where the header has 3"},
      {header + "\n15,2,3\n\n15,2,4\n", "4: 15 minutes at 2 years is given on line 2 already"},
      {header + "\n", " holds no point (a header duration_minutes,return_period_years,depth_mm, then a point a line)"},
  };
  for (const auto& r : refusals) {
    dir.write("ref.csv", r.content);
    const Outcome refused = run({"--reference-ddf", "ref.csv"});
    EXPECT_EQ(refused.exit_status, 1) << r.message;
    EXPECT_EQ(refused.err, "raingen-report: ref.csv:" + r.message + "\n");
    EXPECT_EQ(dir.read("single/report.html"), with) << "the report is left as it was";
  }
}

// The helpers the design tables and charts are made of, for any table or chart with a band.
TEST(ReportHelpers, TableWithBandsMarksAndNotes) {
  using namespace raingen::report;
  Table t;
  t.header = {"duration", "10 years", "90%"};
  Cell flagged = number_cell(20.0);
  flagged.mark = "\u2021";
  flagged.muted = true;
  t.rows = {{text_cell("15 min <"), flagged, band_cell(19.5, 20.25)},
            {text_cell("1 h"), number_cell({}), band_cell(1, {})}};
  t.notes = {"\u2021 at the ceiling & so"};
  EXPECT_EQ(table_html(t),
            "<table>\n<tr><th>duration</th><th>10 years</th><th>90%</th></tr>\n"
            "<tr><td>15 min &lt;</td><td class=\"n muted\">20<sup>\u2021</sup></td><td "
            "class=\"n\">19.5\u201320.25</td></tr>\n"
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
  for (const char* tick : {">15 min<", ">30 min<", ">1 h<", ">24 h<"})
    EXPECT_NE(svg.find(tick), std::string::npos) << tick;
}

// Which series lead the design tables, what their levels are read against, and which levels are
// marked: years of 15-minute rain with one storm a year of the given depth in one interval.
raingen::gauge::CalendarSeries yearly_storms(std::string name, int first_year, int years, double depth) {
  const auto start = date::sys_days{date::year{first_year} / 1 / 1};
  const auto end = date::sys_days{date::year{first_year + years} / 1 / 1};
  raingen::gauge::CalendarSeries s(std::move(name), start,
                                   std::vector<double>(static_cast<std::size_t>((end - start).count()) * 96, 0.0));
  for (int y = 0; y < years; ++y)
    s.set_depth(
        static_cast<std::size_t>((date::sys_days{date::year{first_year + y} / 7 / 1} - start).count()) * 96 + 50,
        y == 1 ? depth : depth / 2);
  return s;
}

TEST(ReportHelpers, DesignSeriesTheirCeilingsAndMarks) {
  using namespace raingen;
  using report::SeriesRole;
  const gauge::CalendarSeries record = yearly_storms("record:A", 2001, 3, 10),
                              weighted = yearly_storms("weighted-record", 2001, 3, 10),
                              generated = yearly_storms("generated", 2001, 5, 20),
                              compared = yearly_storms("generated:weighted-site", 2001, 5, 8);
  std::vector<stats::SeriesStatistics> statistics;
  for (const auto* s : {&record, &weighted, &generated, &compared})
    statistics.push_back(stats::compute_statistics(*s, {}));
  const std::vector<report::ReportSeries> series{{SeriesRole::record, &record, &statistics[0]},
                                                 {SeriesRole::weighted_record, &weighted, &statistics[1]},
                                                 {SeriesRole::generated, &generated, &statistics[2]},
                                                 {SeriesRole::generated_weighted_site, &compared, &statistics[3]}};
  const stats::BootstrapSettings few{1, 50};
  const report::DesignReport alone = report::design_report(series, nullptr, {}, few);
  ASSERT_EQ(alone.series.size(), 4u);
  EXPECT_EQ(alone.designs, (std::vector<std::size_t>{2, 3})) << "generated, then the compared run";
  ASSERT_EQ(alone.reference, std::optional<std::size_t>(1));
  EXPECT_NEAR(alone.record_years, 1095.0 / 365.2425, 1e-12);  // 2001-2003 all present
  EXPECT_EQ(alone.series[1].largest[0], 10);
  // generated: its four years of 10 mm are at the record's 10 mm and its 20 mm year (2002) above it:
  // the ceiling from (5 + 1) / 5 = 1.2 to (5 + 1) / 2 = 3 years. The compared run's 8 and 4 mm
  // never reach it.
  EXPECT_EQ(alone.series[2].ceilings[0].reaching, 4u);
  EXPECT_EQ(alone.series[2].ceilings[0].above, 1u);
  EXPECT_TRUE(report::DesignReport::at_ceiling(alone.series[2], 0, 2));
  EXPECT_FALSE(report::DesignReport::at_ceiling(alone.series[2], 0, 5)) << "the 20 mm, above the ceiling";
  EXPECT_FALSE(report::DesignReport::at_ceiling(alone.series[3], 0, 100));
  EXPECT_TRUE(alone.series[0].ceilings.empty() && alone.series[1].ceilings.empty()) << "records have no ceiling";
  EXPECT_FALSE(alone.beyond_record(5.99));
  EXPECT_TRUE(alone.beyond_record(6));  // beyond 2 x 2.998 years

  // With realizations their pooled years lead; the generated series is one among them.
  report::EnsembleStatistics ensemble;
  const gauge::CalendarSeries r1 = yearly_storms("realization:1", 2001, 5, 6),
                              r2 = yearly_storms("realization:2", 2001, 5, 12);
  ensemble.complete = {stats::compute_statistics(r1, {}), stats::compute_statistics(r2, {})};
  const report::DesignReport pooled = report::design_report(series, &ensemble, {}, few);
  ASSERT_EQ(pooled.series.size(), 5u);
  const report::DesignSeries& e = pooled.series[4];
  EXPECT_EQ(e.name, "ensemble");
  EXPECT_EQ(e.realizations, 2u);
  EXPECT_EQ(e.design.years, 10u);
  EXPECT_EQ(e.largest[0], 12);
  // Of 3, 6, 3, 3, 3 and 6, 12, 6, 6, 6 mm none is at the record's 10 mm and the 12 above it.
  EXPECT_EQ(e.ceilings[0].reaching, 0u);
  EXPECT_EQ(e.ceilings[0].above, 1u);
  EXPECT_EQ(pooled.designs, (std::vector<std::size_t>{4, 3}));

  const std::vector<stats::CsvRow> rows = report::design_csv_rows(pooled, &ensemble);
  auto find = [&](const std::string& series_name, std::optional<int> minutes, const std::string& statistic) {
    for (const stats::CsvRow& r : rows)
      if (r.series == series_name && r.minutes == minutes && r.statistic == statistic) return &r;
    return static_cast<const stats::CsvRow*>(nullptr);
  };
  ASSERT_TRUE(find("weighted-record", {}, "supported_return_period_years"));
  EXPECT_NEAR(*find("weighted-record", {}, "supported_return_period_years")->value, 2 * 1095.0 / 365.2425, 1e-12);
  ASSERT_TRUE(find("ensemble", 15, "plateau_from_years") && find("ensemble", 15, "share_above_largest_recorded"));
  EXPECT_FALSE(find("ensemble", 15, "plateau_from_years")->value) << "no plateau: the one maximum passes it";
  EXPECT_EQ(*find("ensemble", 15, "share_above_largest_recorded")->value, 0.1);
  ASSERT_TRUE(find("generated", 15, "plateau_to_years"));
  EXPECT_EQ(*find("generated", 15, "plateau_to_years")->value, 3);
  EXPECT_FALSE(find("record:A", 15, "plateau_from_years")) << "records have no ceiling";
  ASSERT_TRUE(find("realization:2", 15, "annual_maximum"));
  EXPECT_EQ(find("realization:2", 15, "annual_maximum")->x, 2001);
  EXPECT_EQ(rows.back().series, "realization:2") << "the realizations' maxima last";

  // A reference point against a level: at a design return period the level with its interval; at
  // another the GEV's value alone (no Weibull level); at a duration not computed, none.
  const stats::ReturnLevel at10 = report::level_at(e.design, stats::DesignMethod::gev, 15, 10);
  ASSERT_TRUE(at10.value && at10.lower && at10.upper);
  EXPECT_EQ(at10.value, e.design.durations[0].gev_levels[2].value);
  const stats::ReturnLevel at30 = report::level_at(e.design, stats::DesignMethod::gev, 15, 30);
  ASSERT_TRUE(at30.value);
  EXPECT_NEAR(*at30.value, stats::gev_return_level(*e.design.durations[0].gev, 30), 1e-9);
  EXPECT_FALSE(at30.lower);
  EXPECT_FALSE(report::level_at(e.design, stats::DesignMethod::empirical, 15, 30).value);
  EXPECT_FALSE(report::level_at(e.design, stats::DesignMethod::gev, 5, 2).value);
  EXPECT_EQ(report::reference_lies(*at10.lower - 0.01, at10), "below");
  EXPECT_EQ(report::reference_lies(*at10.upper, at10), "inside");
  EXPECT_EQ(report::reference_lies(*at10.upper + 0.01, at10), "above");
  EXPECT_EQ(report::reference_lies(1, at30), "") << "no interval to lie against";

  // The depth-duration-frequency chart of the pooled years: a line per return period over the
  // eight durations, dashed where the return period is beyond twice the record's years (from 10
  // years on), with its band; the record's own Weibull levels as points (3 years: 2 years only);
  // its largest depths dashed black; the depth axis from the data on 1-2-5 ticks.
  const report::Chart ddf = report::ddf_chart(pooled, e);
  ASSERT_EQ(ddf.lines.size(), 6u + 6 + 1);
  ASSERT_EQ(ddf.bands.size(), 6u);
  for (std::size_t p = 0; p < 6; ++p) {
    EXPECT_EQ(ddf.lines[p].points.size(), 8u);
    EXPECT_EQ(ddf.lines[p].dashed, p >= 2) << p;
    EXPECT_EQ(ddf.lines[6 + p].joined, false);
    EXPECT_EQ(ddf.lines[6 + p].color, ddf.lines[p].color);
    EXPECT_EQ(std::isnan(ddf.lines[6 + p].points[0].y), p > 0) << "the record's 3 years reach 2 years only";
  }
  EXPECT_EQ(ddf.lines[6].points[0].y, 5);  // 5, 10, 5 mm: the middle one
  EXPECT_EQ(ddf.lines.back().points[0].y, 10);
  EXPECT_TRUE(ddf.lines.back().dashed);
  double highest = 0;
  for (const report::Band& b : ddf.bands)
    for (double v : b.high) highest = std::max(highest, v);
  EXPECT_EQ(ddf.y.low, 2);  // pooled maxima from 3 mm, the record's 5
  double next = 0;          // the 1-2-5 value at or above the highest band
  for (double v : {10.0, 20.0, 50.0, 100.0, 200.0, 500.0})
    if (next == 0 && v >= highest) next = v;
  EXPECT_EQ(ddf.y.high, next) << highest;
  EXPECT_EQ(report::return_level_chart(pooled, 0).x.high, 100) << "10 pooled years: the axis still reaches 100 years";

  // The section says how far below the record's largest depths a series stays that never reaches them.
  report::HtmlPage page("p");
  report::design_section(page, alone);
  const std::string html = page.finish();
  // The generated series' plateau ends where its 20 mm year passes the record's 10 mm.
  EXPECT_TRUE(has(html,
                  "generated: the annual maxima plateau at the record&#39;s largest depth at 15 min from 1.2 to 3 "
                  "years (4 of 5), 30 min from 1.2 to 3 years (4 of 5)"))
      << html;
  EXPECT_TRUE(
      has(html, "generated: annual maxima above the record&#39;s largest depth, 1 of 5 at 15 min, 1 of 5 at 30 min"));
  EXPECT_TRUE(
      has(html,
          "generated:weighted-site: no design return period reaches the record&#39;s largest depth. "
          "In 5 years its largest annual maxima are 80% of the record&#39;s largest depths at every duration."));
  // Against the record's own 2-year depth (its 5, 10, 5 mm: 5): the compared run's 4, 4, 8, 4, 4 give
  // 4, the generated series' 10, 20, 10, 10, 10 give 10; five years reach no 100-year depth.
  EXPECT_TRUE(has(html,
                  "Against the record&#39;s own 2-year depths (Weibull, from its 3 years): this series&#39; 2-year "
                  "depths are 80% of them at every duration.</p>"));
  EXPECT_TRUE(has(html, "2-year depths are 200% of them at every duration.</p>"));
}

}  // namespace

// A record of two years (2008: 8 mm in 15 minutes, 2009: 2 mm): its own 2-year level at 15 minutes
// is 5 mm with the interval 2-8 mm (the four resamples of two years give 2, 5, 5 and 8), which the
// page gives beside the ensemble's; the ensemble's narrower interval at 2 years is marked as
// such, and every level beyond twice the record's 2 years as an extrapolation.
TEST(ReportDesign, ATwoYearRecordsOwnIntervalBesideTheGenerated) {
  TempDir dir;
  make_run(dir);
  ChildSetup setup;
  setup.directory = dir.path();
  setup.timeout_seconds = 600;
  const Outcome made = run_tool_program(setup, "raingen-report",
                                        {"--gauge", "KARO=karo.dat", "--format", "swmm", "--from", "2008-01-01", "--to",
                                         "2009-12-31", "--ensemble", "e.nc", "--output", "two"});
  ASSERT_EQ(made.exit_status, 0) << made.err;
  const std::string page = dir.read("two/report.html"), csv = dir.read("two/statistics.csv");
  EXPECT_TRUE(has(csv, "\nweighted-record,15,return_level_empirical,5,2,2,8\n"));
  EXPECT_TRUE(has(page,
                  "2 calendar years of it are at least 90% present (2 at least 80% present, as the design "
                  "rainfall counts a year), 2.0 years of data in all."));
  const std::size_t own =
      page.find("<h3>Depth-duration-frequency: weighted-record (the record&#39;s own), 2 years</h3>");
  ASSERT_NE(own, std::string::npos);
  EXPECT_TRUE(has(page.substr(own),
                  "<tr><td>15 min</td><td class=\"n\">2</td><td class=\"n\">5</td>"
                  "<td class=\"n\">2–8</td>"));
  const std::size_t generated = page.find("<h3>Depth-duration-frequency: ensemble (20 realizations pooled)");
  ASSERT_NE(generated, std::string::npos);
  const std::string tables = page.substr(generated, own - generated);
  // At 2 years narrower than the record's own; from 5 years on the record's two years give none.
  const std::size_t row = tables.find("<tr><td>15 min</td>");
  const std::string first_row = tables.substr(row, tables.find("</tr>", row) - row);
  std::size_t marked = 0;
  for (std::size_t k = first_row.find("\u00a7"); k != std::string::npos; k = first_row.find("\u00a7", k + 1)) ++marked;
  EXPECT_EQ(marked, 6u) << first_row;
  EXPECT_TRUE(has(tables, "narrower than the record&#39;s own 90% interval at that return period (from its 2 years)"));
  EXPECT_TRUE(has(tables, "\u2020 beyond twice the record&#39;s 2.0 years: an extrapolation, not a design value."));
}
