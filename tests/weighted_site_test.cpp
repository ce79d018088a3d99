// raingen-prepare --weighted-site end to end: three short records with rain on known days give the
// weighted record worked out by hand, its station files give it back through the real program,
// and bad command lines and records leave every file as it was.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include <fmt/format.h>

#include "support/child.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
using Args = std::vector<std::string>;

// Six days from 2001-01-01 as a 15-minute csv stamped at the interval's end: rain by (day,
// interval), both 0-based, and one interval absent from the record.
std::string record(const std::map<std::pair<int, int>, const char*>& rain, std::pair<int, int> absent = {-1, 0}) {
  std::string text = "time,mm\n";
  for (int d = 0; d < 6; ++d)
    for (int j = 0; j < 96; ++j) {
      const int end = (j + 1) * 15 % 1440;
      const auto rained = rain.find({d, j});
      if (std::make_pair(d, j) != absent)
        text += fmt::format("2001-01-{:02} {:02}:{:02},{}\n", j == 95 ? d + 2 : d + 1, end / 60, end % 60,
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
  Neighbourhood() {
    dir.write("a.csv", record({{{0, 10}, "0.3"}, {{0, 11}, "0.2"}, {{3, 30}, "3.0"}, {{5, 0}, "1.5"}}));
    dir.write("b.csv", record({{{0, 10}, "1.2"}, {{2, 50}, "0.6"}, {{5, 95}, "0.6"}}, {3, 20}));
    dir.write("c.csv", record({{{2, 50}, "0.6"}, {{5, 95}, "3.0"}}));
  }
  Outcome prepare(const Args& arguments) const {
    ChildSetup setup;
    setup.directory = dir.path();
    return run_tool_program(setup, "raingen-prepare", arguments);
  }
  std::vector<std::string> listing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
};

const Args site_command{"--weighted-site", "SITE", "--site", "HILL", "--days", "2000", "--gauge", "A=a.csv", "--gauge",
                        "B=b.csv", "--gauge", "C=c.csv", "--station", "A=1", "--station", "B=2", "--station", "C=2"};

// A day line of a station's F_2.TXT: its label, then 96 depths "  d.dd".
std::string day_line(const std::string& label, const std::map<int, const char*>& depths) {
  std::string line = fmt::format("{:<29}", label);
  for (int j = 0; j < 96; ++j) line += depths.count(j) ? depths.at(j) : "  0.00";
  return line + "\r\n";
}

TEST(WeightedSite, TheWeightedRecordWorkedOutByHand) {
  const Neighbourhood n;
  const Outcome o = n.prepare(site_command);
  ASSERT_EQ(o.exit_status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  const std::string day6 = day_line("SITE 2001-01-06  TOTAL   1.60", {{0, "  1.00"}, {95, "  0.60"}});
  EXPECT_EQ(n.dir.read("SITEF_2.TXT"), day_line("SITE 2001-01-01  TOTAL   0.53", {{10, "  0.40"}, {11, "  0.13"}}) +
                                           day_line("SITE 2001-01-03  TOTAL   0.20", {{50, "  0.20"}}) + day6 + day6);
  EXPECT_EQ(n.dir.read("INPUT.TXT"),
            "RESULTS FILE: RESULTS.TXT\r\nSITE NAME:    HILL\r\nSTATION 1:    SITE\r\nSTATION 2:    A\r\nSTATION 3:    B\r\n"
            "DISTANCE 1:     0\r\nDISTANCE 2:     1\r\nDISTANCE 3:     2\r\nNUMBER DAYS:  2000\r\n");
  EXPECT_EQ(n.listing().size(), 14u);  // the records, INPUT.TXT, RAINGEN.TXT and the files of SITE, A and B
  const auto record = [&](const char* name) { return std::filesystem::canonical(n.dir / name).string(); };
  EXPECT_EQ(n.dir.read("RAINGEN.TXT"),
            "# raingen-prepare: facts of this run directory that INPUT.TXT and the station files do not\n"
            "# hold; raingen-export, raingen-ensemble and raingen-report read them.\n"
            "[station A]\nrecord = " + record("a.csv") + "\n\n"
            "[station B]\nrecord = " + record("b.csv") + "\n\n"
            "[station C]\nrecord = " + record("c.csv") + "\n\n"
            "[site]\nname = HILL\n\n"
            "[site-station SITE]\npresent = all\ngauge = A 1\ngauge = B 2\ngauge = C 2\n");
  EXPECT_EQ(o.out.substr(o.out.find("./RAINGEN.TXT")),
            "./RAINGEN.TXT: [site] HILL, no position (--site-at), clock not stated\n"
            "  [site-station SITE] present all, gauges A 1, B 2, C 2; [station] of each gauge with its record's path and "
            "reading options, clock not stated\n");
  EXPECT_EQ(o.out.substr(0, o.out.find("  written")),
            "SITE: the records of A, B and C weighted as the program weights station series (distances 1, 2, 2: shares "
            "66.7%, 16.7%, 16.7%), present where all three are\n"
            "  A: a.csv (read as csv, 15-minute step, 576 readings)\n"
            "  B: b.csv (read as csv, 15-minute step, 575 readings)\n"
            "  C: c.csv (read as csv, 15-minute step, 576 readings)\n"
            "  period          2001-01-01 to 2001-01-06, 6 days\n"
            "  complete days   5; missing intervals taken as dry: 0 in 0 days (--min-complete 100)\n"
            "  days with gaps  1\n"
            "  wet days        3 (above 0 mm), dry days 2\n"
            "  dry spells      1 ended by a wet day, 2 censored by a gap or the record's end; longest 1 days\n"
            "  total depth     2.33 mm on complete days as read; on wet days 2.33 mm as read, 2.33 mm as written (0.01 mm)\n");

  // The program copies the site station: every generated day is dry or one of the three wet days,
  // to the 0.01 mm of the station files, and each of them comes up.
  std::array<std::array<double, 96>, 3> wet{};
  wet[0][10] = 0.4, wet[0][11] = 0.2 / 1.5, wet[1][50] = 0.2, wet[2][0] = 1.0, wet[2][95] = 0.6;
  ChildSetup setup;
  setup.directory = n.dir.path();
  setup.environment = {{"RAINGEN_SEED", "11"}};
  ASSERT_EQ(run_raingen(setup).exit_status, 0);
  std::istringstream rows(n.dir.read("SOURCE.OUT"));
  long minutes = 0, k = 0;
  double value = 0;
  std::array<double, 96> day{};
  std::array<long, 4> seen{};  // days like wet[0], [1], [2], and dry days
  while (rows >> minutes >> value) {
    day[static_cast<std::size_t>(k % 96)] = value;
    if (++k % 96 != 0) continue;
    std::size_t match = 0;
    for (; match < 3; ++match) {
      bool equal = true;
      for (std::size_t j = 0; j < 96; ++j) equal = equal && std::fabs(day[j] - wet[match][j]) <= 0.0051;
      if (equal) break;
    }
    if (match == 3) {
      ASSERT_TRUE(std::all_of(day.begin(), day.end(), [](double v) { return v == 0; })) << "day " << k / 96;
    }
    ++seen[match];
  }
  EXPECT_EQ(k, 2000 * 96);
  for (std::size_t m = 0; m < 3; ++m) EXPECT_GT(seen[m], 100) << m;  // about 333 each
}

// Bad command lines (status 2) and bad records (status 1): one message, and no file written or
// changed.
TEST(WeightedSite, BadInputChangesNothing) {
  const Neighbourhood n;
  n.dir.write("INPUT.TXT", "old settings");
  n.dir.write("d.csv", "time,mm\n2002-01-01 00:15,0\n2002-01-01 00:30,0.2\n");
  n.dir.write("bad.csv", "time,mm\n2001-01-01 00:15,0\n2001-01-01 00:30,wet\n");
  const auto with = [](std::vector<std::pair<std::size_t, std::string>> changes, Args more = {}) {
    Args all = site_command;  // changes by position in site_command
    for (const auto& [at, value] : changes) all[at] = value;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };
  const struct {
    Args arguments;
    int status;
    std::string message;
  } cases[] = {
      {Args(site_command.begin(), site_command.end() - 2), 2, "the weighted site needs three stations: --station given 2 times"},
      {with({{11, "D=d.csv"}}), 2, "--station C: no --gauge gives its record"},
      {with({}, {"--gauge", "D=d.csv"}), 2, "--gauge D: no --station places it (give the three stations once each)"},
      {with({{1, "A"}}), 2, "--weighted-site A: the site station needs an ID of its own, not a gauge's"},
      {with({}, {"--format", "B:xls"}), 2, "gauge B: format 'xls' is none of auto, tips, csv, swmm, noaa"},
      {with({}, {"--id", "X"}), 2, "--weighted-site prepares the site station from the --gauge records: no --id or RECORD"},
      {with({{5, "2001"}}), 2, "the number of days (2001) is not from 1 to 2000"},
      {with({{11, "C=bad.csv"}}), 1, "bad.csv:3: 'wet' is not a depth"},
      {with({{11, "C=d.csv"}}), 1,
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
