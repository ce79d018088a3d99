// raingen-report by season end to end: pau01 prepared with --seasons quarters, a small ensemble of
// long seasonal realizations laid out along the calendar, and the report of a kept laid-out table
// with the ensemble's bands: the long table read whole (realization 1 and its kept table give the
// same statistics), each season's figures against those worked from the table by the test, and
// the page saying which seasons the run directory declares; a plain run directory of a long table,
// and what the report refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <date/date.h>
#include <fmt/format.h>

#include "support/tool_runs.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

std::string record(int gauge) {
  return (fs::path(RAINGEN_EXAMPLE_RECORDS) / fmt::format("iMHEA_PAU_01_PD_0{}_raw.csv", gauge)).string();
}

std::vector<std::string> gauges() {
  std::vector<std::string> g;
  for (int i = 1; i <= 3; ++i) g.insert(g.end(), {"--gauge", fmt::format("PD0{}={}", i, record(i))});
  return g;
}

std::vector<std::string> joined(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The cells of the first table row labelled `label` after the text `after` in the page.
std::vector<std::string> row_after(const std::string& html, const std::string& after, const std::string& label) {
  const std::size_t from = html.find(after);
  if (from == std::string::npos) return {};
  const std::size_t row = html.find("<td>" + label + "</td>", from);
  if (row == std::string::npos) return {};
  const std::size_t end = html.find("</tr>", row);
  std::vector<std::string> cells;
  for (std::size_t at = html.find("<td", row); at < end; at = html.find("<td", at + 1)) {
    const std::size_t open = html.find('>', at) + 1;
    cells.push_back(html.substr(open, html.find("</td>", open) - open));
  }
  return cells;
}

// Figures of a laid-out table worked here from its rows: by season of quarters (the month each day
// begins in, day 1 on 2001-01-01), mean daily depth and the largest 15-minute depth.
struct Worked {
  std::map<int, double> total, largest;
  std::map<int, long> days;
};
int quarter_of(unsigned month) { return month == 12 || month <= 2 ? 0 : month <= 5 ? 1 : month <= 8 ? 2 : 3; }
Worked work_out(const std::string& table) {
  Worked w;
  const date::sys_days day1 = date::year{2001} / 1 / 1;
  for (std::size_t row = 0; row * 23 < table.size(); ++row) {
    const double depth = std::stod(table.substr(row * 23 + 12, 9));
    const date::year_month_day d{day1 + date::days{static_cast<int>(row / 96)}};
    const int q = quarter_of(static_cast<unsigned>(d.month()));
    w.total[q] += depth;
    w.largest[q] = std::max(w.largest[q], depth);
    if (row % 96 == 0) ++w.days[q];
  }
  return w;
}

std::string shown(double v) { return fmt::format("{:.4g}", v); }

// Rows of statistics.csv of one series, without the series' name.
std::string rows_of(const std::string& csv, const std::string& series) {
  std::istringstream in(csv);
  std::string out;
  for (std::string line; std::getline(in, line);)
    if (line.rfind(series + ",", 0) == 0) out += line.substr(series.size()) + "\n";
  return out;
}

TEST(ReportSeasons, KeptLongTableAndSeasonalEnsembleBySeason) {
  TempDir dir;
  const fs::path run = dir / "run";
  fs::create_directory(run);
  for (int i = 1; i <= 3; ++i)
    ASSERT_EQ(run_tool_in(run, "raingen-prepare", {"--seasons", "quarters", "--id", fmt::format("PD0{}", i), record(i)})
                  .exit_status,
              0);
  ASSERT_EQ(run_tool_in(run, "raingen-prepare",
                        {"--site", "PAU01", "--days", "2000", "--station", "PD01=1", "--station", "PD02=1", "--station",
                         "PD03=1"})
                .exit_status,
            0);
  // 2200 days: longer than INPUT.TXT's 2000, 25 blocks of one season each.
  const Outcome ensemble =
      run_tool_in(run, "raingen-ensemble",
                  {"--realizations", "3", "--days", "2200", "--jobs", "2", "--keep", "../kept", "--output", "../e.nc"});
  ASSERT_EQ(ensemble.exit_status, 0) << ensemble.err;

  // Without a table: a run directory of seasons has no results file of its own.
  const Outcome refused = run_tool_in(dir.path(), "raingen-report", joined({"--dir", "run"}, gauges()));
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(
      refused.err,
      "raingen-report: run/RAINGEN.TXT: this run directory has the seasons Dec-Feb, Mar-May, Jun-Aug, Sep-Nov: "
      "its series are laid out along the calendar by raingen-ensemble, and it has no results file of its own; "
      "give one of its tables with --results and the ensemble's --start (raingen-ensemble --days N --keep DIR)\n");
  EXPECT_FALSE(fs::exists(run / "report"));

  const Outcome report =
      run_tool_in(dir.path(), "raingen-report",
                  joined({"--dir", "run", "--start", "2001-01-01", "--results", "kept/SOURCE_0001.OUT", "--ensemble",
                          "e.nc", "--output", "out", "--jobs", "2"},
                         gauges()));
  ASSERT_EQ(report.exit_status, 0) << report.err;
  EXPECT_EQ(report.out, "out/statistics.csv\nout/report.html\n");
  const std::string csv = read_file(dir / "out/statistics.csv");
  const std::string html = read_file(dir / "out/report.html");

  // The kept table is realization 1, read whole: the same statistics at every level and the same
  // annual maxima of every year (the realization's rows; the generated series' design rows follow).
  const std::string generated = rows_of(csv, "generated"), first = rows_of(csv, "realization:1");
  EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 30 + 6 * 8) << "30 statistics, 6 years of 8 durations";
  EXPECT_EQ(generated.substr(0, first.size()), first);
  EXPECT_NE(html.find("<td>days generated</td><td>2200 (2001-01-01 00:00 to 2007-01-10 00:00)</td>"),
            std::string::npos);

  EXPECT_NE(html.find("declares the seasons Dec-Feb, Mar-May, Jun-Aug, Sep-Nov (raingen-prepare --seasons "
                      "12-2,3-5,6-8,9-11)"),
            std::string::npos);
  EXPECT_EQ(html.find("generator has no seasons"), std::string::npos);

  // Each season's generated figures against the table worked here; the realizations' columns follow.
  const Worked w = work_out(read_file(dir / "kept/SOURCE_0001.OUT"));
  const char* headings[] = {"Dec-Feb (December to February)", "Mar-May (March to May)", "Jun-Aug (June to August)",
                            "Sep-Nov (September to November)"};
  for (int q = 0; q < 4; ++q) {
    const auto mean = row_after(html, headings[q], "mean daily depth (mm)");
    ASSERT_EQ(mean.size(), 1u + 5 + 3) << headings[q] << ": the label, 5 series, median, band, below";
    EXPECT_EQ(mean[5], shown(w.total.at(q) / static_cast<double>(w.days.at(q)))) << headings[q];
    const auto largest = row_after(html, headings[q], "largest 15-minute depth (mm)");
    ASSERT_EQ(largest.size(), 9u);
    EXPECT_EQ(largest[5], shown(w.largest.at(q))) << headings[q];
    const auto days = row_after(html, headings[q], "present days");
    EXPECT_EQ(days[5], std::to_string(w.days.at(q))) << headings[q];
    EXPECT_NE(largest[7].find("–"), std::string::npos) << "a 5-95% band: " << largest[7];
    // statistics.csv holds the same figures: x the season's number, the realizations' band too.
    const std::string x = "," + std::to_string(q + 1) + ",";
    const std::string generated_largest = rows_of(csv, "generated");
    EXPECT_NE(generated_largest.find(",,season_largest_15min_mm," + fmt::format("{}", w.largest.at(q)) + x),
              std::string::npos)
        << headings[q];
    const std::size_t band = rows_of(csv, "realizations").find(",,season_largest_15min_mm,");
    EXPECT_NE(band, std::string::npos);
  }
  EXPECT_NE(rows_of(csv, "weighted-record").find(",,events_per_year,"), std::string::npos);
  EXPECT_NE(html.find("<tr><td>calendar years behind annual_max_mean</td>"), std::string::npos);
  // The pooled realizations redraw the record's few years: their intervals, narrower than the
  // record's own, are flagged.
  EXPECT_NE(html.find("<sup>\u00a7</sup></td>"), std::string::npos);
  EXPECT_NE(html.find("<p class=\"note\">\u00a7 narrower than the record&#39;s own 90% interval"), std::string::npos);
  EXPECT_NE(rows_of(csv, "generated").find(",1440,annual_max_mean_years,6,,,"), std::string::npos);
  // The records' seasons are the record's: Jun-Aug wetter than Dec-Feb in the weighted record.
  const auto winter = row_after(html, headings[0], "mean daily depth (mm)");
  const auto summer = row_after(html, headings[2], "mean daily depth (mm)");
  EXPECT_LT(std::stod(winter[4]), std::stod(summer[4]));
  const auto january = row_after(html, "Mean monthly totals (mm)", "January");
  ASSERT_EQ(january.size(), 9u);
}

// A plain run directory and a plain long table (a 2000-day block and a 100-day one): read whole,
// the page says no seasons are declared and groups the months by quarters; a table cut within a
// day refused, naming it.
TEST(ReportSeasons, PlainLongTableAndNoSeasonsDeclared) {
  TempDir dir;
  const fs::path run = dir / "run";
  fs::create_directory(run);
  for (int i = 1; i <= 3; ++i)
    ASSERT_EQ(run_tool_in(run, "raingen-prepare", {"--id", fmt::format("PD0{}", i), record(i)}).exit_status, 0);
  ASSERT_EQ(run_tool_in(run, "raingen-prepare",
                        {"--site", "PAU01", "--days", "2000", "--station", "PD01=1", "--station", "PD02=1", "--station",
                         "PD03=1"})
                .exit_status,
            0);
  const Outcome ensemble =
      run_tool_in(run, "raingen-ensemble",
                  {"--realizations", "2", "--days", "2100", "--jobs", "2", "--keep", "../kept", "--output", "../e.nc"});
  ASSERT_EQ(ensemble.exit_status, 0) << ensemble.err;
  // The same run directory compared with its own first table, which --compare-results reads.
  const Outcome report =
      run_tool_in(dir.path(), "raingen-report",
                  joined({"--dir", "run", "--start", "2001-01-01", "--results", "kept/SOURCE_0002.OUT", "--ensemble",
                          "e.nc", "--compare", "run", "--compare-results", "kept/SOURCE_0001.OUT", "--output", "out"},
                         gauges()));
  ASSERT_EQ(report.exit_status, 0) << report.err;
  EXPECT_EQ(report.err,
            "raingen-report: run/INPUT.TXT puts no station at the site (distance 0): generated:weighted-site "
            "is the weighting of three station series, not the series of a site station\n");
  const std::string csv = read_file(dir / "out/statistics.csv");
  const std::string html = read_file(dir / "out/report.html");
  const std::string second = rows_of(csv, "realization:2");
  EXPECT_EQ(std::count(second.begin(), second.end(), '\n'), 30 + 5 * 8) << "30 statistics, 5 years of 8 durations";
  EXPECT_EQ(rows_of(csv, "generated").substr(0, second.size()), second);
  const std::string compared = rows_of(csv, "generated:weighted-site");
  const std::string first_rows = rows_of(csv, "realization:1");
  EXPECT_EQ(compared.substr(0, first_rows.size()), first_rows);
  EXPECT_NE(html.find("<td>its site and days</td><td>PAU01, 2100 days</td>"), std::string::npos);
  EXPECT_NE(html.find("<td>days generated</td><td>2100 (2001-01-01 00:00 to 2006-10-02 00:00)</td>"),
            std::string::npos);
  EXPECT_NE(html.find("declares no seasons"), std::string::npos);
  EXPECT_NE(html.find("group the months by quarters (Dec-Feb, Mar-May, Jun-Aug, Sep-Nov)"), std::string::npos);
  const Worked w = work_out(read_file(dir / "kept/SOURCE_0002.OUT"));
  const auto mean = row_after(html, "Jun-Aug (June to August)", "mean daily depth (mm)");
  ASSERT_EQ(mean.size(), 10u) << "the label, 6 series, median, band, below";
  EXPECT_EQ(mean[5], shown(w.total.at(2) / static_cast<double>(w.days.at(2))));
  const Worked first = work_out(read_file(dir / "kept/SOURCE_0001.OUT"));
  EXPECT_EQ(mean[6], shown(first.total.at(2) / static_cast<double>(first.days.at(2))));

  const Outcome alone = run_tool_in(
      dir.path(), "raingen-report",
      joined({"--dir", "run", "--start", "2001-01-01", "--compare-results", "kept/SOURCE_0001.OUT"}, gauges()));
  EXPECT_EQ(alone.exit_status, 2) << alone.err;
  EXPECT_NE(alone.err.find("--compare-results requires --compare"), std::string::npos) << alone.err;

  // A table cut within a day.
  std::string cut = read_file(dir / "kept/SOURCE_0002.OUT");
  cut.resize(cut.size() - 23 * 10);
  write_file(dir / "cut.OUT", cut);
  const Outcome refused = run_tool_in(dir.path(), "raingen-report",
                                      joined({"--dir", "run", "--results", "cut.OUT", "--output", "out2"}, gauges()));
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_EQ(refused.err,
            "raingen-report: cut.OUT:201590: the table ends part way through day 2100, after 86 of its 96 rows: "
            "the file is cut short\n");
  EXPECT_FALSE(fs::exists(dir / "out2/report.html"));
}

}  // namespace
