// raingen-report run as a user runs it, in a temporary directory: statistics of records, their
// weighted record and a results table worked out by hand; warnings, usage errors and failures,
// after which no report file has changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/child.h"
#include "support/tool_runs.h"

namespace {

using testing_support::ChildSetup;
using testing_support::Outcome;
using testing_support::TempDir;

// Stations A, B, C at 1, 2 and 2 km: weights 1, 4, 4, so a site value is (a + b/4 + c/4) / 1.5.
constexpr const char* settings =
    "RESULTS FILE: RESULTS.TXT\r\nSITE NAME:    HILL\r\nSTATION 1:    A\r\nSTATION 2:    B\r\nSTATION 3:    C\r\n"
    "DISTANCE 1:     1\r\nDISTANCE 2:     2\r\nDISTANCE 3:     2\r\nNUMBER DAYS:  2\r\n";

// A record of 2001-01-01 and -02 as a 15-minute csv stamped at the interval's end: rain in the
// intervals given (0-based), a missing value in those of `missing`.
std::string record(const std::vector<std::pair<int, const char*>>& rain, const std::vector<int>& missing = {},
                   const std::string& header = "time,depth", const std::string& before_depth = "") {
  std::string text = header + "\n";
  for (int k = 0; k < 192; ++k) {
    const int end = (k + 1) * 15, day = 1 + end / 1440, minute = end % 1440;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "2001-01-%02d %02d:%02d", day, minute / 60, minute % 60);
    std::string depth = "0";
    for (const auto& [at, value] : rain)
      if (at == k) depth = value;
    if (std::find(missing.begin(), missing.end(), k) != missing.end()) depth = "NA";
    text += std::string(stamp) + "," + before_depth + depth + "\n";
  }
  return text;
}

// The program's results file: its heading, then 192 rows; 2.5 mm at 09:45-10:00 of day 1 and
// 0.5 mm in the first interval of day 2, unless other values are given.
std::string results_file(const char* at_39 = "2.500", const char* at_96 = ".500") {
  std::string text =
      "SYNTHETIC RAINFALL GENERATION\r\n  \r\nSITE NAME:  HILL       \r\nSTATION #1: A   \r\nSTATION #2: B   \r\n"
      "STATION #3: C   \r\n                         \r\nDISTANCE TO SITE:\r\nSTATION #1:   1\r\nSTATION #2:   2\r\n"
      "STATION #3:   2\r\n  \r\n  \r\n   TIME(MIN) RAINFALL\r\n";
  for (int k = 0; k < 192; ++k) {
    char row[32];
    std::snprintf(row, sizeof row, "%12d%9s\r\n", (k + 1) * 15, k == 39 ? at_39 : k == 96 ? at_96 : ".000");
    text += row;
  }
  return text;
}

struct RunDirectory {
  TempDir dir;
  RunDirectory() {
    dir.write("INPUT.TXT", settings);
    dir.write("RESULTS.TXT", results_file());
    // Interval 39: (3 + 6/4 + 0/4) / 1.5 = 3. Interval 100: (0 + 1.2/4 + 0) / 1.5. Interval 150:
    // missing in C, so missing at the site, and day 2 is left out at --min-complete 100.
    dir.write("a.csv", record({{39, "3.0"}}, {}, "time,other,depth", "9,"));
    dir.write("b.csv", record({{39, "6.0"}, {100, "1.2"}}));
    dir.write("c.csv", record({}, {150}));
  }
  Outcome report(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), {"--dir", dir.path().string()});
    return testing_support::run_tool_program(ChildSetup{}, "raingen-report", arguments);
  }
  std::vector<std::string> gauges(bool with_c = true) const {
    std::vector<std::string> g{
        "--gauge", "A=" + (dir / "a.csv").string(), "--gauge", "B=" + (dir / "b.csv").string(), "--column", "A:depth"};
    if (with_c) g.insert(g.end(), {"--gauge", "C=" + (dir / "c.csv").string()});
    return g;
  }
};

// A row of the statistics of a level: x, lower and upper are empty.
bool has_row(const std::string& csv, const std::string& row) {
  return csv.find("\n" + row + ",,,\n") != std::string::npos;
}
// The rows of the levels' statistics: the file up to the design rainfall's rows.
std::string level_rows(const std::string& csv) {
  return csv.substr(0, csv.find("\nrecord:A,15,annual_maxima_years,") + 1);
}

TEST(ReportTool, StatisticsWorkedOutByHand) {
  const RunDirectory run;
  const Outcome out = run.report(run.gauges());
  ASSERT_EQ(out.exit_status, 0) << out.err;
  EXPECT_EQ(out.err, "");
  const std::string report_dir = (run.dir.path() / "report").string();
  EXPECT_EQ(out.out, report_dir + "/statistics.csv\n" + report_dir + "/report.html\n");
  const std::string csv = run.dir.read("report/statistics.csv");
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "series,aggregation_minutes,statistic,value,x,lower,upper");
  // Five series (three records, weighted record, generated), 7 rows at three levels and 9 daily.
  const std::string levels = level_rows(csv);
  EXPECT_EQ(std::count(levels.begin(), levels.end(), '\n'), 1 + 5 * (3 * 7 + 9));
  for (const char* row : {
           "record:A,1440,mean,1.5",                          // days 3 and 0
           "record:B,15,probability_dry,0.9895833333333334",  // 190 of 192
           "record:C,1440,mean,0",                            // day 2 left out (one value missing)
           "weighted-record,1440,mean,3",                     // day 2 left out with C's missing value
           "weighted-record,1440,variance,",                  // one block: no value
           "weighted-record,60,annual_max_mean,",             // two days are no 90% of a year
           "generated,1440,mean,1.5",
           "generated,1440,variance,2",
           "generated,60,probability_dry,0.9583333333333334",  // 46 of 48 hours
           "generated,1440,lag1_autocorrelation,",             // one pair
           "generated,1440,mean_dry_spell_days,",              // no run has the other kind on both sides
           // what the figures rest on: the blocks present (day 2 of C left out), the spells
           "record:C,1440,blocks_present,1",
           "weighted-record,15,blocks_present,191",
           "generated,60,blocks_present,48",
           "generated,1440,dry_spells_counted,0",
           "generated,1440,wet_spells_counted,0",
       })
    EXPECT_TRUE(has_row(csv, row)) << row;
  // With 90%, day 2 of the weighted record is kept: 95 of 96 values, the missing one dry.
  const Outcome kept = run.report([&] {
    auto a = run.gauges();
    a.insert(a.end(), {"--min-complete", "90", "--output", (run.dir / "r90").string()});
    return a;
  }());
  ASSERT_EQ(kept.exit_status, 0) << kept.err;
  EXPECT_TRUE(has_row(run.dir.read("r90/statistics.csv"), "weighted-record,1440,mean,1.6"));
  const std::string html = run.dir.read("report/report.html");
  EXPECT_NE(html.find("<h1>raingen report: HILL</h1>"), std::string::npos);
  const std::size_t daily = html.find("<h3>Blocks of 1 day</h3>");
  EXPECT_NE(html.find("<tr><td>blocks present</td><td class=\"n\">2</td><td class=\"n\">2</td><td class=\"n\">1</td>"
                      "<td class=\"n\">1</td><td class=\"n\">2</td><td class=\"n\">-</td></tr>",
                      daily),
            std::string::npos);
  EXPECT_NE(html.find("column=depth"), std::string::npos);  // how record A was read
  // The run directory holds no station files: the wettest day's recorded day cannot be said.
  EXPECT_NE(
      html.find("<p>2001-01-01 of generated: which recorded day it was drawn from cannot be said: the day records of "
                "A cannot be read in " +
                run.dir.path().string() + ".</p>"),
      std::string::npos);
}

// --compare: a site station's run (SITE at distance 0; 3 mm on day 1 and 1 mm on day 2) compared
// beside the run of the three stations, as a sixth series with its own ratio to the weighted record.
TEST(ReportTool, ComparedSiteStationRun) {
  const RunDirectory run;
  const TempDir site;
  site.write("INPUT.TXT",
             "RESULTS FILE: RESULTS.TXT\r\nSITE NAME:    HILL\r\nSTATION 1:    SITE\r\nSTATION 2:    A\r\n"
             "STATION 3:    B\r\nDISTANCE 1:     0\r\nDISTANCE 2:     1\r\nDISTANCE 3:     2\r\nNUMBER DAYS:  2\r\n");
  site.write("RESULTS.TXT", results_file("3.000", "1.000"));
  std::vector<std::string> arguments = run.gauges();
  arguments.insert(arguments.end(), {"--compare", site.path().string()});
  const Outcome out = run.report(arguments);
  ASSERT_EQ(out.exit_status, 0) << out.err;
  EXPECT_EQ(out.err, "");
  const std::string csv = run.dir.read("report/statistics.csv");
  const std::string levels = level_rows(csv);
  EXPECT_EQ(std::count(levels.begin(), levels.end(), '\n'), 1 + 6 * (3 * 7 + 9));
  EXPECT_TRUE(has_row(csv, "generated,1440,mean,1.5"));
  const std::string compared = levels.substr(levels.find("\ngenerated:weighted-site,") + 1);
  EXPECT_EQ(compared.substr(0, compared.find("\n", compared.find(",15,probability_dry,")) + 1),
            "generated:weighted-site,15,mean,0.020833333333333332,,,\n"     // 4 mm in 192 intervals
            "generated:weighted-site,15,variance,0.05191972076788893,,,\n"  // (10 - 1/12) / 191
            "generated:weighted-site,15,cv,10.937231672101314,,,\n"
            "generated:weighted-site,15,skewness,12.14818092280222,,,\n"
            "generated:weighted-site,15,lag1_autocorrelation,-0.00844772967265053,,,\n"
            "generated:weighted-site,15,probability_dry,0.9895833333333334,,,\n");  // 190 of 192
  for (const char* row : {"generated:weighted-site,1440,mean,2", "generated:weighted-site,1440,variance,2",
                          "generated:weighted-site,1440,lag1_autocorrelation,"})
    EXPECT_TRUE(has_row(compared, row)) << row;
  const std::string html = run.dir.read("report/report.html");
  for (const char* text : {"<th>generated:weighted-site / weighted-record</th>", "<td>compared run (--compare)</td>",
                           "<td>SITE (0), A (1), B (2)</td>"})
    EXPECT_NE(html.find(text), std::string::npos) << text;

  // A run without a station at the site is compared all the same, with a warning; a directory
  // without a run is a failure that writes nothing.
  arguments.back() = run.dir.path().string();
  const Outcome three = run.report(arguments);
  EXPECT_EQ(three.exit_status, 0);
  const std::string three_csv = run.dir.read("report/statistics.csv");
  EXPECT_TRUE(has_row(three_csv, "generated:weighted-site,1440,mean,1.5"));
  EXPECT_EQ(three.err,
            "raingen-report: " + (run.dir / "INPUT.TXT").string() +
                " puts no station at the site (distance 0): generated:weighted-site is the weighting of three "
                "station series, not the series of a site station\n");
  arguments.back() = (site / "none").string();
  const Outcome none = run.report(arguments);
  EXPECT_EQ(none.exit_status, 1);
  EXPECT_EQ(none.err,
            "raingen-report: " + (site / "none/INPUT.TXT").string() + ": cannot be read: No such file or directory\n");
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(run.dir.read("report/statistics.csv"), three_csv);
}

// The weighted record follows --present: with any, interval 150 of day 2, missing in C, is made
// from A and B ((0 + 0/4) / 1.25 = 0), so day 2 is kept, (3 + 0.2) / 2 = 1.6 a day. Without
// --present it follows the site station of --compare as its RAINGEN.TXT says it was made.
TEST(ReportTool, WeightedRecordFollowsPresent) {
  const RunDirectory run;
  const TempDir site;
  site.write("INPUT.TXT",
             "RESULTS FILE: RESULTS.TXT\r\nSITE NAME:    HILL\r\nSTATION 1:    SITE\r\nSTATION 2:    A\r\n"
             "STATION 3:    B\r\nDISTANCE 1:     0\r\nDISTANCE 2:     1\r\nDISTANCE 3:     2\r\nNUMBER DAYS:  2\r\n");
  site.write("RESULTS.TXT", results_file("3.000", "1.000"));
  site.write("RAINGEN.TXT", "[site-station SITE]\npresent = any\ngauge = A 1\ngauge = B 2\ngauge = C 2\n");
  const struct {
    std::vector<std::string> more;
    const char* mean;
    bool noted;  // the page's run table says so
  } cases[] = {
      {{"--present", "any"}, "1.6", true},
      {{"--present", "all"}, "3", false},
      {{"--compare", site.path().string()}, "1.6", true},
      {{"--compare", site.path().string(), "--present", "all"}, "3", false},
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments = run.gauges();
    arguments.insert(arguments.end(), c.more.begin(), c.more.end());
    const Outcome out = run.report(arguments);
    ASSERT_EQ(out.exit_status, 0) << out.err;
    EXPECT_TRUE(has_row(run.dir.read("report/statistics.csv"), std::string("weighted-record,1440,mean,") + c.mean))
        << c.more.back();
    EXPECT_EQ(run.dir.read("report/report.html").find("weighted record (--present any)") != std::string::npos, c.noted);
  }
  std::vector<std::string> arguments = run.gauges();
  arguments.insert(arguments.end(), {"--present", "most"});
  const Outcome usage = run.report(arguments);
  EXPECT_EQ(usage.exit_status, 2);
  EXPECT_EQ(usage.err, "raingen-report: --present 'most' is neither all nor any\n");
}

TEST(ReportTool, AStationWithoutItsRecordLeavesNoWeightedRecord) {
  const RunDirectory run;
  const Outcome out = run.report(run.gauges(false));
  ASSERT_EQ(out.exit_status, 0) << out.err;
  EXPECT_EQ(out.err,
            "raingen-report: no weighted record: the weighting uses station C and no --gauge gives its record\n");
  const std::string csv = run.dir.read("report/statistics.csv");
  EXPECT_EQ(csv.find("weighted-record"), std::string::npos);
  EXPECT_NE(run.dir.read("report/report.html").find("no weighted record"), std::string::npos);
}

TEST(ReportTool, FailuresLeaveEarlierReportsAsTheyWere) {
  const RunDirectory run;
  std::filesystem::create_directory(run.dir / "report");
  run.dir.write("report/statistics.csv", "old");
  run.dir.write("bad.csv", "time,depth\n2001-01-01 00:15,0\n2001-01-01 00:30,x\n");
  const std::string bad = (run.dir / "bad.csv").string(), input = (run.dir / "INPUT.TXT").string();
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string message;  // the start of standard error
  } cases[] = {
      {{"--gauge", "D=" + bad},
       2,
       "raingen-report: --gauge D: no station of " + input + " has this ID (its stations: A, B, C)\n"},
      {{"--gauge", "A=" + bad}, 1, "raingen-report: " + bad + ":3: "},
      {{"--gauge", "A"}, 2, "raingen-report: --gauge A: ID=FILE expected\n"},
      {{}, 2, "raingen-report: --gauge: none given, and "},
      {{"--gauge", "A=" + bad, "--start", "2001-02-30"}, 2, "raingen-report: --start '2001-02-30': no such date\n"},
      {{"--gauge", "A=" + bad, "--format", "A:excel"}, 2, "raingen-report: gauge A: format 'excel' is none of"},
      {{"--gauge", "A=" + bad, "--min-complete", "120"}, 2, "raingen-report: --min-complete"},
      {{"--gauge", "A=" + bad, "--event-gap", "0.3"}, 2, "raingen-report: --event-gap"},
      {{"--gauge", "A=" + bad, "--event-gap", "nan"}, 2, "raingen-report: --event-gap"},
      {{"--gauge", "A=" + bad, "--event-min-depth", "-1"}, 2, "raingen-report: --event-min-depth"},
      // One value per option: a stray word is neither a second format nor a second gauge.
      {{"--gauge", "A=" + bad, "--format", "csv", "stray"},
       2,
       "raingen-report: The following argument was not expected: stray (see --help)\n"},
      {{"--gauge", "A=" + bad, "B=" + bad},
       2,
       "raingen-report: The following argument was not expected: B=" + bad + " (see --help)\n"},
  };
  for (const auto& c : cases) {
    const Outcome out = run.report(c.arguments);
    EXPECT_EQ(out.exit_status, c.status) << out.err;
    EXPECT_EQ(out.err.substr(0, c.message.size()), c.message);
    EXPECT_EQ(out.out, "");
    EXPECT_EQ(run.dir.read("report/statistics.csv"), "old");
    EXPECT_FALSE(run.dir.exists("report/report.html"));
  }
  // A results table from another run: fewer days than INPUT.TXT asks for.
  std::string three_days = settings;
  three_days.replace(three_days.find("DAYS:  2"), 8, "DAYS:  3");
  run.dir.write("INPUT.TXT", three_days);
  const Outcome other = run.report(run.gauges());
  EXPECT_EQ(other.exit_status, 1);
  EXPECT_EQ(other.err, "raingen-report: " + (run.dir / "RESULTS.TXT").string() + ": holds 2 days, but " + input +
                           " asks for 3: the results are not from these settings\n");
  EXPECT_EQ(run.dir.read("report/statistics.csv"), "old");
}

}  // namespace

namespace {

// The lines of a file that begin with prefix, in order.
std::string lines_from(const std::string& text, const std::string& prefix) {
  std::string out;
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1)
    if (text.compare(begin, prefix.size(), prefix) == 0) out += text.substr(begin, end - begin + 1);
  return out;
}

}  // namespace

// A run whose site station raingen-prepare --weighted-site made of A, B and C (A read with
// --column depth, the weighted record present where any is): without --gauge the report reads
// those records as prepare read them and weights them at the distances and presence it recorded;
// --present and --gauge still decide when given; a run without a site station asks for --gauge.
TEST(ReportTool, TheSiteStationsRunIsComparedWithTheGaugesItWasMadeOf) {
  const RunDirectory run;
  const TempDir site;
  // RAINGEN.TXT as raingen-prepare --weighted-site writes it for these records (it needs 30 days
  // and more to make the station's files, these have 2).
  site.write("INPUT.TXT",
             "RESULTS FILE: RESULTS.TXT\r\nSITE NAME:    HILL\r\nSTATION 1:    SITE\r\nSTATION 2:    A\r\n"
             "STATION 3:    B\r\nDISTANCE 1:     0\r\nDISTANCE 2:     1\r\nDISTANCE 3:     2\r\nNUMBER DAYS:  2\r\n");
  site.write("RAINGEN.TXT", "[station A]\nrecord = " + (run.dir / "a.csv").string() +
                                "\nreading = column=depth\n\n"
                                "[station B]\nrecord = " +
                                (run.dir / "b.csv").string() +
                                "\n\n[station C]\nrecord = " + (run.dir / "c.csv").string() +
                                "\n\n[site]\nname = HILL\n\n[site-station SITE]\n"
                                "present = any\ngauge = A 1\ngauge = B 2\ngauge = C 2\n");
  site.write("RESULTS.TXT", results_file("3.000", "1.000"));
  const auto report = [&site](std::vector<std::string> more) {
    std::vector<std::string> arguments{"--dir", site.path().string(), "--output", (site / "out").string()};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return testing_support::run_tool_program(ChildSetup{}, "raingen-report", arguments);
  };
  const Outcome out = report({});
  ASSERT_EQ(out.exit_status, 0) << out.err;
  EXPECT_EQ(out.err, "");
  const std::string csv = site.read("out/statistics.csv");
  EXPECT_TRUE(has_row(csv, "weighted-record,1440,mean,1.6"));  // as --present any gives it above
  const Outcome three = run.report(run.gauges());
  ASSERT_EQ(three.exit_status, 0) << three.err;
  const std::string three_csv = run.dir.read("report/statistics.csv");
  for (const char* id : {"record:A,", "record:B,", "record:C,"}) {
    EXPECT_NE(lines_from(csv, id), "") << id;
    EXPECT_EQ(lines_from(csv, id), lines_from(three_csv, id)) << id;
  }
  const std::string html = site.read("out/report.html");
  EXPECT_NE(html.find("the records of A, B and C that made site station SITE"), std::string::npos);
  EXPECT_NE(html.find("<td>C</td><td class=\"n\">2</td><td class=\"n\">16.7%</td><td>" + (run.dir / "c.csv").string()),
            std::string::npos);

  EXPECT_EQ(report({"--present", "all"}).exit_status, 0);
  EXPECT_TRUE(has_row(site.read("out/statistics.csv"), "weighted-record,1440,mean,3"));
  const Outcome given = report({"--gauge", "A=" + (run.dir / "a.csv").string(), "--column", "A:depth"});
  EXPECT_EQ(given.exit_status, 0);
  EXPECT_EQ(given.err,
            "raingen-report: no weighted record: the weighting uses station SITE and no --gauge gives its record\n");

  const Outcome none = run.report({"--output", (run.dir / "out").string()});
  EXPECT_EQ(none.exit_status, 2);
  EXPECT_EQ(none.err, "raingen-report: --gauge: none given, and " + (run.dir / "RAINGEN.TXT").string() +
                          " records no site station of " + (run.dir / "INPUT.TXT").string() +
                          " made of gauges (raingen-prepare --weighted-site): give --gauge ID=FILE for the stations\n");
  EXPECT_FALSE(run.dir.exists("out"));
}

namespace {

// The curves in long form, after every row of the tables, worked by hand on the generated series
// of RunDirectory: 2.5 mm in interval 39 (day 1, 09:45) and 0.5 mm in interval 96 (day 2, 00:00).
TEST(ReportTool, CurvesInLongFormAfterTheTables) {
  const RunDirectory run;
  const Outcome out = run.report(run.gauges());
  ASSERT_EQ(out.exit_status, 0) << out.err;
  const std::string csv = run.dir.read("report/statistics.csv");
  // Two days give no spell: the first curve is the first of the events'.
  EXPECT_EQ(csv.find(",dry_spell_share_at_least_days,"), std::string::npos);
  const std::size_t first_curve = csv.find(",event_depth_mm_one_in_n,");
  ASSERT_NE(first_curve, std::string::npos);
  EXPECT_GT(first_curve, csv.rfind(",annual_maxima_years,"));  // after the tables' rows
  for (const char* row : {
           "generated,,daily_depth_share_at_least,0.5,2.5,,",  // the wetter of two days
           "generated,,daily_depth_share_at_least,1,0.5,,",
           "generated,,hour_mean_depth_mm_h,1.25,9,,",  // 2.5 mm in the two 09:00 hours
           "generated,,hour_mean_depth_mm_h,0.25,0,,",
           "generated,,hour_mean_depth_mm_h,0,1,,",
           "generated,,hour_wet_share,0.125,9,,",  // 1 of 8 intervals
           "generated,,months_counted,0,1,,",      // two days are no month
           "record:B,,hour_wet_share,0.125,9,,",
       }) {
    std::string line = "\n";
    (line += row) += "\n";
    EXPECT_NE(csv.find(line, first_curve - 1), std::string::npos) << row;
  }
  // No months count: no monthly value, and the page says so month by month.
  EXPECT_EQ(csv.find(",monthly_total_mean_mm,"), std::string::npos);
  const std::string html = run.dir.read("report/report.html");
  EXPECT_NE(html.find("<th>months behind each value</th><th>Jan</th>"), std::string::npos);
}

}  // namespace
