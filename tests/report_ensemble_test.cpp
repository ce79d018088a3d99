// raingen-report --ensemble run as a user runs it: each realization's statistics in
// statistics.csv are those of a plain run of the program with its seed, to the last digit; the
// page's table of quantiles and of where the weighted record falls, worked out from those rows;
// ensembles that do not belong to the run refused; quantiles and shares on hand-worked values.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "page/table.h"
#include "report/ensemble_statistics.h"
#include "report/report_page.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// A 15-minute csv record of 2001-01-01 and -02 with rain in a few intervals.
std::string record(double scale) {
  std::string text = "time,depth\n";
  for (int k = 0; k < 192; ++k) {
    const int end = (k + 1) * 15, day = 1 + end / 1440, minute = end % 1440;
    char line[64];
    std::snprintf(line, sizeof line, "2001-01-%02d %02d:%02d,%g\n", day, minute / 60, minute % 60,
                  k % 37 == 5 ? scale * (1 + k % 5) : 0.0);
    text += line;
  }
  return text;
}

// examples/data run with this seed in dir, with a gauge record for each of its stations.
void prepare_run(const TempDir& dir, const std::string& seed) {
  run_example(dir, seed);
  dir.write("karo.csv", record(1.0));
  dir.write("melv.csv", record(2.0));
  dir.write("twin.csv", record(0.5));
}

Outcome report(const TempDir& dir, std::vector<std::string> more) {
  std::vector<std::string> arguments{"--gauge", "KARO=karo.csv", "--gauge",  "MELV=melv.csv",
                                     "--gauge", "TWIN=twin.csv", "--output", "out"};
  arguments.insert(arguments.end(), more.begin(), more.end());
  return run_tool_in(dir.path(), "raingen-report", arguments);
}

// statistics.csv as series -> the rest of each of its rows, in order: the statistics of the levels
// and the annual maxima by sliding window, which every series and realization has (the design
// rainfall's rows of the named series are left out).
std::map<std::string, std::vector<std::string>> rows_by_series(const std::string& csv) {
  static const std::set<std::string> kept{"mean",
                                          "variance",
                                          "cv",
                                          "skewness",
                                          "lag1_autocorrelation",
                                          "probability_dry",
                                          "annual_max_mean",
                                          "mean_dry_spell_days",
                                          "mean_wet_spell_days",
                                          "annual_maximum"};
  std::map<std::string, std::vector<std::string>> rows;
  std::size_t begin = csv.find('\n') + 1;
  for (std::size_t end; (end = csv.find('\n', begin)) != std::string::npos; begin = end + 1) {
    const std::string line = csv.substr(begin, end - begin), rest = line.substr(line.find(',') + 1);
    const std::size_t from = rest.find(',') + 1;
    if (kept.count(rest.substr(from, rest.find(',', from) - from)))
      rows[line.substr(0, line.find(','))].push_back(rest);
  }
  return rows;
}

double value_in(const std::vector<std::string>& rows, const std::string& key) {
  for (const std::string& row : rows)
    if (row.starts_with(key + ",")) return std::stod(row.substr(key.size() + 1));
  ADD_FAILURE() << "no row " << key;
  return 0;
}

TEST(ReportEnsemble, RealizationStatisticsAreThoseOfThePlainRunsWithTheirSeeds) {
  TempDir dir;
  prepare_run(dir, "5");
  const Outcome ensemble =
      run_tool_in(dir.path(), "raingen-ensemble", {"--realizations", "3", "--seed", "5", "--output", "e.nc"});
  ASSERT_EQ(ensemble.exit_status, 0) << ensemble.err;
  const Outcome made = report(dir, {"--ensemble", "e.nc"});
  ASSERT_EQ(made.exit_status, 0) << made.err;
  EXPECT_EQ(made.err, "");
  const std::string csv = dir.read("out/statistics.csv");
  auto rows = rows_by_series(csv);
  EXPECT_NE(csv.find("\ngenerated,1440,mean_wet_spell_days,"), std::string::npos);
  EXPECT_EQ(csv.find("\nrealization:1,"),
            csv.find("\ngenerated,1440,mean_wet_spell_days,") +
                csv.substr(csv.find("\ngenerated,1440,mean_wet_spell_days,") + 1).find('\n') + 1)
      << "the realizations follow the generated series";
  ASSERT_EQ(rows["realization:1"].size(), 30u + 8);  // and the annual maxima of its one year
  EXPECT_EQ(rows["realization:1"], rows["generated"]) << "seed 5, the run's own";
  for (int k = 2; k <= 3; ++k) {
    TempDir plain;
    prepare_run(plain, std::to_string(4 + k));
    ASSERT_EQ(report(plain, {}).exit_status, 0);
    EXPECT_EQ(rows["realization:" + std::to_string(k)], rows_by_series(plain.read("out/statistics.csv"))["generated"])
        << "realization " << k;
  }

  // The table's row of the daily mean, from the rows above: quantiles at (3 - 1) p between the
  // sorted values, the share of realizations below the weighted record.
  std::vector<double> v;
  for (int k = 1; k <= 3; ++k) v.push_back(value_in(rows["realization:" + std::to_string(k)], "1440,mean"));
  std::sort(v.begin(), v.end());
  const double w = value_in(rows["weighted-record"], "1440,mean");
  const auto between = [&](double position) {
    const auto at = static_cast<std::size_t>(position);
    return v[at] + (position - static_cast<double>(at)) * (v[std::min<std::size_t>(at + 1, 2)] - v[at]);
  };
  const double below = static_cast<double>(std::count_if(v.begin(), v.end(), [&](double x) { return x < w; }));
  std::string expected = "<tr><td>1 day</td><td>mean (mm)</td>";
  for (double x : {w, between(0.1), between(0.5), between(1.0), between(1.5), between(1.9)})
    expected += "<td class=\"n\">" + raingen::page::display_number(x) + "</td>";
  char share[16];
  std::snprintf(share, sizeof share, "%.0f%%", 100 * below / 3);
  expected += "<td class=\"n\">" + std::string(share) + "</td><td class=\"n\">3</td></tr>";
  const std::string page = dir.read("out/report.html");
  EXPECT_NE(page.find(expected), std::string::npos) << expected;
  EXPECT_NE(
      page.find("e.nc holds 3 realizations of the generator on this run&#39;s inputs (seeds 5 to 7); 3 complete."),
      std::string::npos);
  EXPECT_NE(page.find("realizations 5-95%"), std::string::npos);
  EXPECT_NE(page.find("realizations 25-75%"), std::string::npos);
}

TEST(ReportEnsemble, FailedRealizationsAreLeftOutAndForeignEnsemblesRefused) {
  TempDir dir;
  prepare_run(dir, "2");
  // Seeds 1 and 3 reach a faulty day line; the ensemble is made on a copy of the inputs with it.
  TempDir faulty;
  for (const auto& entry : fs::directory_iterator(dir.path()))
    if (entry.path().extension() == ".TXT") fs::copy(entry.path(), faulty.path());
  std::string days = faulty.read("KAROF_2.TXT");
  std::size_t at = 0;
  for (int line = 1; line < 318; ++line) at = days.find('\n', at) + 1;
  faulty.write("KAROF_2.TXT", days.replace(at + 30, 5, "ab.cd"));
  EXPECT_EQ(run_tool_in(faulty.path(), "raingen-ensemble", {"--realizations", "4", "--output", "f.nc"}).exit_status, 1);

  // Not the run's inputs: refused, nothing written.
  fs::copy(faulty / "f.nc", dir / "f.nc");
  const Outcome foreign = report(dir, {"--ensemble", "f.nc"});
  EXPECT_EQ(foreign.exit_status, 1);
  EXPECT_TRUE(foreign.err.starts_with("raingen-report: f.nc: was not made from the inputs of ")) << foreign.err;
  EXPECT_FALSE(dir.exists("out/statistics.csv"));

  // Its own run: the failed ones are named on the page and have no rows.
  fs::copy(faulty / "KAROF_2.TXT", dir / "KAROF_2.TXT", fs::copy_options::overwrite_existing);
  const Outcome own = report(dir, {"--ensemble", "f.nc"});
  EXPECT_EQ(own.exit_status, 0) << own.err;
  const auto rows = rows_by_series(dir.read("out/statistics.csv"));
  EXPECT_EQ(rows.count("realization:1") + rows.count("realization:3"), 0u);
  EXPECT_EQ(rows.count("realization:2") + rows.count("realization:4"), 2u);
  EXPECT_NE(
      dir.read("out/report.html").find("(seeds 1 to 4); 2 complete. 2 failed and are left out (realization 1, 3)."),
      std::string::npos);

  const Outcome later = report(dir, {"--ensemble", "f.nc", "--start", "2002-01-01"});
  EXPECT_EQ(later.exit_status, 1);
  EXPECT_EQ(later.err,
            "raingen-report: f.nc: its day 1 begins at 2001-01-01 00:00, but the report's --start is 2002-01-01 00:00: "
            "give the same\n");
}

// An ensemble whose day 1 begins at 06:00 is read with the same --start, written either way the
// ensemble takes it: the realization of the run's own seed has the generated series' statistics,
// and both differ from a report whose days begin at midnight. Another start is refused.
TEST(ReportEnsemble, AnEnsembleStartedAtAnHourIsReadWithTheSameStart) {
  TempDir dir;
  prepare_run(dir, "5");
  const Outcome ensemble =
      run_tool_in(dir.path(), "raingen-ensemble",
                  {"--realizations", "2", "--seed", "5", "--start", "2001-01-01 06:00", "--output", "e.nc"});
  ASSERT_EQ(ensemble.exit_status, 0) << ensemble.err;
  ASSERT_EQ(report(dir, {}).exit_status, 0);
  const std::string midnight = dir.read("out/statistics.csv");
  for (const std::string start : {"2001-01-01 06:00", "2001-01-01T06:00"}) {
    const Outcome made = report(dir, {"--ensemble", "e.nc", "--start", start});
    ASSERT_EQ(made.exit_status, 0) << made.err;
    EXPECT_EQ(made.err, "");
    auto rows = rows_by_series(dir.read("out/statistics.csv"));
    ASSERT_EQ(rows["realization:1"].size(), 30u + 8);
    EXPECT_EQ(rows["realization:1"], rows["generated"]) << "seed 5, the run's own";
    EXPECT_NE(rows["generated"], rows_by_series(midnight)["generated"])
        << "day 1 at 06:00 moves every block of a day or more";
    EXPECT_NE(dir.read("out/report.html").find("<td>day 1 starts (--start)</td><td>2001-01-01 06:00</td>"),
              std::string::npos);
  }
  const std::string written = dir.read("out/statistics.csv");
  const Outcome other = report(dir, {"--ensemble", "e.nc", "--start", "2001-01-01 06:15"});
  EXPECT_EQ(other.exit_status, 1);
  EXPECT_EQ(other.err,
            "raingen-report: e.nc: its day 1 begins at 2001-01-01 06:00, but the report's --start is "
            "2001-01-01 06:15: give the same\n");
  EXPECT_EQ(dir.read("out/statistics.csv"), written) << "nothing written";
}

TEST(ReportEnsemble, QuantilesAndSharesOnHandWorkedValues) {
  using namespace raingen;
  EXPECT_DOUBLE_EQ(report::quantile({1, 2, 3, 4}, 0.05), 1.15);
  EXPECT_DOUBLE_EQ(report::quantile({1, 2, 3, 4}, 0.5), 2.5);
  EXPECT_DOUBLE_EQ(report::quantile({1, 2, 3, 4}, 1.0), 4);
  EXPECT_DOUBLE_EQ(report::quantile({7}, 0.95), 7);

  report::EnsembleStatistics ensemble;
  for (double mean : {3.0, 1.0, 2.0, 2.0}) {
    stats::SeriesStatistics s;
    s.levels.push_back({1440, {}, {{stats::Statistic::mean, mean}, {stats::Statistic::cv, std::nullopt}}});
    ensemble.complete.push_back(s);
  }
  const auto spread = report::spread_of(ensemble, 1440, stats::Statistic::mean);
  ASSERT_TRUE(spread);
  EXPECT_EQ(spread->count, 4u);
  EXPECT_DOUBLE_EQ(spread->p25, 1.75);
  EXPECT_DOUBLE_EQ(spread->p50, 2.0);
  EXPECT_DOUBLE_EQ(spread->p95, 2.85);
  EXPECT_DOUBLE_EQ(*report::share_below(ensemble, 1440, stats::Statistic::mean, 2.0), 0.5);
  EXPECT_DOUBLE_EQ(*report::share_below(ensemble, 1440, stats::Statistic::mean, 0.5), 0.0);
  EXPECT_DOUBLE_EQ(*report::share_below(ensemble, 1440, stats::Statistic::mean, 9.0), 1.0);
  EXPECT_FALSE(report::spread_of(ensemble, 1440, stats::Statistic::cv));
  // At the files' resolution a record's 1.464 mm is the program's 1.46: a tie, not above it all.
  EXPECT_DOUBLE_EQ(*report::share_below({1.46, 1.46, 1.47, 1.5}, 1.464), 0.5);
  EXPECT_DOUBLE_EQ(*report::share_below({1.46, 1.46, 1.47, 1.5}, 1.464, 0.01), 0.25);
  EXPECT_DOUBLE_EQ(*report::share_below({4.02, 4.02, 4.03}, 4.017, 0.01), 1.0 / 3);
  EXPECT_FALSE(report::share_below({}, 1.0, 0.01));
  // An hour of four such depths ties within their four roundings: 7.6667 recorded, 7.66 generated.
  EXPECT_DOUBLE_EQ(*report::share_below({7.66, 7.66}, 7.6667, 0.01), 1.0);
  EXPECT_DOUBLE_EQ(*report::share_below({7.66, 7.66}, 7.6667, 0.01, report::rounding_of(4)), 0.5);
  EXPECT_DOUBLE_EQ(*report::share_below({7.64, 7.66}, 7.6667, 0.01, report::rounding_of(4)), 0.75);
}

}  // namespace
