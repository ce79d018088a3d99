// raingen-prepare --weighted-site end to end: three short records with rain on known days give the
// weighted record worked out by hand, its station files give it back through the real program,
// and bad command lines and records leave every file as it was.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include <fmt/format.h>

#include "support/child.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

using Day = std::array<double, 96>;

// Six days from 2001-01-01 as a 15-minute csv stamped at the interval's end: rain by (day,
// interval), both 0-based, and the intervals absent from the record.
std::string record(const std::map<std::pair<int, int>, const char*>& rain, const std::set<std::pair<int, int>>& absent = {}) {
  std::string text = "time,mm\n";
  for (int d = 0; d < 6; ++d)
    for (int j = 0; j < 96; ++j) {
      if (absent.count({d, j})) continue;
      const int end = j + 1 == 96 ? 0 : (j + 1) * 15;
      const auto rained = rain.find({d, j});
      text += fmt::format("2001-01-{:02} {:02}:{:02},{}\n", j + 1 == 96 ? d + 2 : d + 1, end / 60, end % 60,
                          rained == rain.end() ? "0" : rained->second);
    }
  return text;
}

// Stations A, B, C at 1, 2 and 2 km: weights 1, 4 and 4, a site value (a + b/4 + c/4) / 1.5.
// Day 1: 02:30-02:45 (0.3 + 1.2/4) / 1.5 = 0.4, 02:45-03:00 0.2 / 1.5 = 0.1333. Day 3: 12:30-12:45
// (0.6/4 + 0.6/4) / 1.5 = 0.2. Day 4 lacks one value of B: incomplete at the site. Day 6: 00:00-00:15
// 1.5 / 1.5 = 1, 23:45-24:00 (0.6/4 + 3/4) / 1.5 = 0.6. Days 2 and 5 are dry.
struct Neighbourhood {
  TempDir dir;
  std::vector<Day> site_wet_days;
  Neighbourhood() {
    dir.write("a.csv", record({{{0, 10}, "0.3"}, {{0, 11}, "0.2"}, {{3, 30}, "3.0"}, {{5, 0}, "1.5"}}));
    dir.write("b.csv", record({{{0, 10}, "1.2"}, {{2, 50}, "0.6"}, {{5, 95}, "0.6"}}, {{3, 20}}));
    dir.write("c.csv", record({{{2, 50}, "0.6"}, {{5, 95}, "3.0"}}));
    Day day{};
    day[10] = 0.4, day[11] = 0.2 / 1.5;
    site_wet_days.push_back(day);
    day = {}, day[50] = 0.2;
    site_wet_days.push_back(day);
    day = {}, day[0] = 1.0, day[95] = 0.6;
    site_wet_days.push_back(day);
  }
  Outcome prepare(std::vector<std::string> arguments) const {
    ChildSetup setup;
    setup.directory = dir.path();
    return run_tool_program(setup, "raingen-prepare", arguments);
  }
  static std::vector<std::string> command(std::vector<std::string> more = {}) {
    std::vector<std::string> all{"--weighted-site", "SITE", "--site", "HILL", "--days", "2000", "--gauge", "A=a.csv",
                                 "--gauge", "B=b.csv", "--gauge", "C=c.csv", "--station", "A=1", "--station", "B=2",
                                 "--station", "C=2"};
    all.insert(all.end(), more.begin(), more.end());
    return all;
  }
  std::vector<std::string> listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

// A day line of a station's F_2.TXT: its label, then 96 depths "  d.dd".
std::string day_line(const std::string& label, const std::map<int, const char*>& depths) {
  std::string line = fmt::format("{:<29}", label);
  for (int j = 0; j < 96; ++j) line += depths.count(j) ? depths.at(j) : "  0.00";
  return line + "\r\n";
}

TEST(WeightedSite, TheWeightedRecordWorkedOutByHand) {
  const Neighbourhood n;
  const Outcome o = n.prepare(Neighbourhood::command());
  ASSERT_EQ(o.exit_status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  const std::string day6 = day_line("SITE 2001-01-06  TOTAL   1.60", {{0, "  1.00"}, {95, "  0.60"}});
  EXPECT_EQ(n.dir.read("SITEF_2.TXT"), day_line("SITE 2001-01-01  TOTAL   0.53", {{10, "  0.40"}, {11, "  0.13"}}) +
                                           day_line("SITE 2001-01-03  TOTAL   0.20", {{50, "  0.20"}}) + day6 + day6);
  EXPECT_EQ(n.dir.read("INPUT.TXT"),
            "RESULTS FILE: RESULTS.TXT\r\nSITE NAME:    HILL\r\nSTATION 1:    SITE\r\nSTATION 2:    A\r\nSTATION 3:    B\r\n"
            "DISTANCE 1:     0\r\nDISTANCE 2:     1\r\nDISTANCE 3:     2\r\nNUMBER DAYS:  2000\r\n");
  EXPECT_EQ(n.listing(), (std::vector<std::string>{"A   D_3.TXT", "A   F_2.TXT", "A   F_3.TXT", "B   D_3.TXT", "B   F_2.TXT",
                                                   "B   F_3.TXT", "INPUT.TXT", "SITED_3.TXT", "SITEF_2.TXT", "SITEF_3.TXT",
                                                   "a.csv", "b.csv", "c.csv"}));
  const std::string findings_start = "  period          2001-01-01 to 2001-01-06, 6 days\n";
  const std::size_t at = o.out.find(findings_start);
  ASSERT_NE(at, std::string::npos) << o.out;
  EXPECT_EQ(o.out.substr(0, at),
            "SITE: the records of A, B and C weighted as the program weights station series (distances 1, 2, 2: shares "
            "66.7%, 16.7%, 16.7%), present where all three are\n"
            "  A: a.csv (read as csv, 15-minute step, 576 readings)\n"
            "  B: b.csv (read as csv, 15-minute step, 575 readings)\n"
            "  C: c.csv (read as csv, 15-minute step, 576 readings)\n");
  EXPECT_EQ(o.out.substr(at, o.out.find("  written", at) - at),
            findings_start +
                "  complete days   5; missing intervals taken as dry: 0 in 0 days (--min-complete 100)\n"
                "  days with gaps  1\n"
                "  wet days        3 (above 0 mm), dry days 2\n"
                "  dry spells      1 ended by a wet day, 2 censored by a gap or the record's end; longest 1 days\n"
                "  total depth     2.33 mm on complete days as read; on wet days 2.33 mm as read, 2.33 mm as written (0.01 mm)\n");
  EXPECT_NE(o.out.find("  station SITE is at the site (distance 0): the program copies its series unchanged; A and B are "
                       "read but the site takes nothing from them\n"),
            std::string::npos);

  // The program copies the site station: every generated day is dry or one of the three wet days,
  // to the 0.01 mm of the station files, and each of them comes up.
  ChildSetup setup;
  setup.directory = n.dir.path();
  setup.environment = {{"RAINGEN_SEED", "11"}};
  const Outcome run = run_raingen(setup);
  ASSERT_EQ(run.exit_status, 0) << run.err;
  std::istringstream rows(n.dir.read("SOURCE.OUT"));
  long minutes = 0, k = 0;
  double value = 0;
  Day day{};
  std::set<std::size_t> seen;
  while (rows >> minutes >> value) {
    day[static_cast<std::size_t>(k++ % 96)] = value;
    if (k % 96 != 0 || std::all_of(day.begin(), day.end(), [](double v) { return v == 0.0; })) continue;
    std::size_t match = 0;
    for (; match < n.site_wet_days.size(); ++match) {
      bool equal = true;
      for (std::size_t j = 0; j < 96 && equal; ++j) equal = std::fabs(day[j] - n.site_wet_days[match][j]) <= 0.0051;
      if (equal) break;
    }
    ASSERT_LT(match, n.site_wet_days.size()) << "generated day " << k / 96 << " is none of the site's wet days";
    seen.insert(match);
  }
  EXPECT_EQ(k, 2000 * 96);
  EXPECT_EQ(seen.size(), 3u);
}

// Bad command lines (status 2) and bad records (status 1): one message, and no file written or
// changed.
TEST(WeightedSite, BadInputChangesNothing) {
  const Neighbourhood n;
  n.dir.write("INPUT.TXT", "old settings");
  n.dir.write("d.csv", "time,mm\n2002-01-01 00:15,0\n2002-01-01 00:30,0.2\n");
  n.dir.write("bad.csv", "time,mm\n2001-01-01 00:15,0\n2001-01-01 00:30,wet\n");
  using Args = std::vector<std::string>;
  const Args ab{"--weighted-site", "SITE", "--site", "HILL", "--days", "10", "--gauge", "A=a.csv", "--gauge", "B=b.csv"};
  const auto with = [&](Args more) {
    Args all = ab;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };
  const struct {
    Args arguments;
    int status;
    std::string message;
  } cases[] = {
      {with({"--station", "A=1", "--station", "B=2"}), 2, "the weighted site needs three stations: --station given 2 times"},
      {with({"--station", "A=1", "--station", "B=2", "--station", "C=2"}), 2, "--station C: no --gauge gives its record"},
      {with({"--gauge", "C=c.csv", "--gauge", "D=d.csv", "--station", "A=1", "--station", "B=2", "--station", "C=2"}), 2,
       "--gauge D: no --station places it (give the three stations once each)"},
      {Neighbourhood::command({"--id", "X"}), 2, "--weighted-site prepares the site station from the --gauge records: no --id or RECORD"},
      {{"--weighted-site", "SITE", "--site", "HILL", "--gauge", "A=a.csv"}, 2,
       "--weighted-site writes INPUT.TXT too: it needs --site NAME and --days N"},
      {{"--id", "A", "--gauge", "A=a.csv", "a.csv"}, 2,
       "--gauge gives a record for --weighted-site; a station is prepared from --id ID RECORD"},
      {Neighbourhood::command({"--format", "B:xls"}), 2, "gauge B: format 'xls' is none of auto, tips, csv, swmm, noaa"},
      {{"--weighted-site", "SITE", "--site", "HILL", "--days", "2001", "--gauge", "A=a.csv", "--gauge", "B=b.csv", "--gauge",
        "C=c.csv", "--station", "A=1", "--station", "B=2", "--station", "C=2"},
       2, "the number of days (2001) is not from 1 to 2000"},
      {{"--weighted-site", "A", "--site", "HILL", "--days", "9", "--gauge", "A=a.csv", "--gauge", "B=b.csv", "--gauge",
        "C=c.csv", "--station", "A=1", "--station", "B=2", "--station", "C=2"},
       2, "--weighted-site A: the site station needs an ID of its own, not a gauge's"},
      {with({"--gauge", "C=bad.csv", "--station", "A=1", "--station", "B=2", "--station", "C=2"}), 1,
       "bad.csv:3: 'wet' is not a depth"},
      {with({"--gauge", "C=d.csv", "--station", "A=1", "--station", "B=2", "--station", "C=2"}), 1,
       "the weighted record of A, B and C: is empty: the records it uses have no interval in common"},
  };
  for (const auto& c : cases) {
    const Outcome o = n.prepare(c.arguments);
    EXPECT_EQ(o.exit_status, c.status) << c.message;
    EXPECT_EQ(o.err, "raingen-prepare: " + c.message + "\n");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(n.listing(), (std::vector<std::string>{"INPUT.TXT", "a.csv", "b.csv", "bad.csv", "c.csv", "d.csv"}));
    EXPECT_EQ(n.dir.read("INPUT.TXT"), "old settings");
  }
}

}  // namespace
