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

#include <date/date.h>

#include <fmt/format.h>

#include "support/child.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
using Args = std::vector<std::string>;

// Six weeks of six days from 2001-01-01 as a 15-minute csv stamped at the interval's end: in every
// six days the rain given by (day, interval), both 0-based, and the intervals `absent` not in the
// record. Thirty-six days, so that a station keeps the 30 complete days it needs.
std::string record(const std::map<std::pair<int, int>, const char*>& rain,
                   const std::set<std::pair<int, int>>& absent = {}) {
  const auto start = date::sys_days{date::year{2001} / 1 / 1};
  std::string text = "time,mm\n";
  for (int d = 0; d < 36; ++d)
    for (int j = 0; j < 96; ++j) {
      const auto rained = rain.find({d % 6, j});
      if (!absent.count({d % 6, j}))
        text += date::format("%Y-%m-%d %H:%M", start + date::days{d} + std::chrono::minutes{(j + 1) * 15}) +
                fmt::format(",{}\n", rained == rain.end() ? "0" : rained->second);
    }
  return text;
}

// Stations A, B, C at 1, 2 and 2 km: weights 1, 4, 4, a site value (a + b/4 + c/4) / 1.5.
// Day 1: 02:30-02:45 (0.3 + 1.2/4) / 1.5 = 0.4, 02:45-03:00 0.2 / 1.5 = 0.1333. Day 3: 12:30-12:45
// (0.6/4 + 0.6/4) / 1.5 = 0.2. Day 4 lacks one value of B: incomplete at the site. Day 6: 00:00-00:15
// 1.5 / 1.5 = 1, 23:45-24:00 (0.6/4 + 3/4) / 1.5 = 0.6. Days 2 and 5 are dry. And so every six days.
struct Neighbourhood {
  TempDir dir;
  Neighbourhood() {
    dir.write("a.csv", record({{{0, 10}, "0.3"}, {{0, 11}, "0.2"}, {{3, 30}, "3.0"}, {{5, 0}, "1.5"}}));
    dir.write("b.csv", record({{{0, 10}, "1.2"}, {{2, 50}, "0.6"}, {{5, 95}, "0.6"}}, {{3, 20}}));
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

const Args site_command{"--weighted-site", "SITE",    "--site",    "HILL",    "--days",    "2000",
                        "--gauge",         "A=a.csv", "--gauge",   "B=b.csv", "--gauge",   "C=c.csv",
                        "--station",       "A=1",     "--station", "B=2",     "--station", "C=2"};

// A day line of a station's F_2.TXT: its label, then 96 depths "  d.dd".
std::string day_line(const std::string& label, const std::map<int, const char*>& depths) {
  std::string line = fmt::format("{:<29}", label);
  for (int j = 0; j < 96; ++j) line += depths.count(j) ? depths.at(j) : "  0.00";
  return line + "\r\n";
}

// The label of day d (0-based from 2001-01-01) of station ID with its total.
std::string label(const char* id, int d, const char* total) {
  return fmt::format("{:<4} {}  TOTAL{:>7}", id,
                     date::format("%F", date::sys_days{date::year{2001} / 1 / 1} + date::days{d}), total);
}

TEST(WeightedSite, TheWeightedRecordWorkedOutByHand) {
  const Neighbourhood n;
  const Outcome o = n.prepare(site_command);
  ASSERT_EQ(o.exit_status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  std::string days;
  for (int b = 0; b < 36; b += 6)
    days += day_line(label("SITE", b, "0.53"), {{10, "  0.40"}, {11, "  0.13"}}) +
            day_line(label("SITE", b + 2, "0.20"), {{50, "  0.20"}}) +
            day_line(label("SITE", b + 5, "1.60"), {{0, "  1.00"}, {95, "  0.60"}});
  EXPECT_EQ(n.dir.read("SITEF_2.TXT"), days + days.substr(days.rfind("SITE ")));  // and a copy of the last
  EXPECT_EQ(
      n.dir.read("INPUT.TXT"),
      "RESULTS FILE: RESULTS.TXT\r\nSITE NAME:    HILL\r\nSTATION 1:    SITE\r\nSTATION 2:    A\r\nSTATION 3:    B\r\n"
      "DISTANCE 1:     0\r\nDISTANCE 2:     1\r\nDISTANCE 3:     2\r\nNUMBER DAYS:  2000\r\n");
  EXPECT_EQ(n.listing().size(), 14u);  // the records, INPUT.TXT, RAINGEN.TXT and the files of SITE, A and B
  const auto record = [&](const char* name) { return std::filesystem::canonical(n.dir / name).string(); };
  EXPECT_EQ(n.dir.read("RAINGEN.TXT"),
            "# raingen-prepare: facts of this run directory that INPUT.TXT and the station files do not\n"
            "# hold; raingen-export, raingen-ensemble and raingen-report read them.\n"
            "[station A]\nrecord = " +
                record("a.csv") +
                "\n\n"
                "[station B]\nrecord = " +
                record("b.csv") +
                "\n\n"
                "[station C]\nrecord = " +
                record("c.csv") +
                "\n\n"
                "[site]\nname = HILL\n\n"
                "[site-station SITE]\npresent = all\ngauge = A 1\ngauge = B 2\ngauge = C 2\n");
  EXPECT_EQ(
      o.out.substr(o.out.find("./RAINGEN.TXT")),
      "./RAINGEN.TXT: [site] HILL, no position (--site-at), clock not stated\n"
      "  [site-station SITE] present all, gauges A 1, B 2, C 2; [station] of each gauge with its record's path and "
      "reading options, clock not stated\n");
  EXPECT_EQ(
      o.out.substr(0, o.out.find("  written")),
      "SITE: the records of A, B and C weighted as the program weights station series (distances 1, 2, 2: shares "
      "66.7%, 16.7%, 16.7%), present where all three are\n"
      "  A: a.csv (read as csv, 15-minute step, 3456 readings)\n"
      "  B: b.csv (read as csv, 15-minute step, 3450 readings)\n"
      "  C: c.csv (read as csv, 15-minute step, 3456 readings)\n"
      "  period          2001-01-01 to 2001-02-05, 36 days\n"
      "  complete days   30; missing intervals taken as dry: 0 in 0 days (--min-complete 100)\n"
      "  days with gaps  6\n"
      "  wet days        18 (above 0 mm), dry days 12\n"
      "  dry spells      11 ended by a wet day, 7 censored by a gap or the record's end; longest 1 days\n"
      "  total depth     14.00 mm on complete days as read; on wet days 14.00 mm as read, 13.98 mm as written (0.01 "
      "mm)\n");

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

// --present any on three records with staggered gaps, worked out by hand at weights 1, 4, 4. Every
// six days, day 1: 05:00-05:15 all three, (0.3 + 1.2/4 + 0/4) / 1.5 = 0.4; 05:15-05:30 C missing,
// (0.6 + 0.6/4) / (1 + 1/4) = 0.6; 06:00-06:15 all three, (0.216 + 0.177/4 + 0.129/4) / 1.5 = 0.195
// exactly, written 0.20 (its binary value is 0.19499999999999998). Day 3: 05:30-05:45 B alone, 0.8;
// 05:45-06:00 none: missing. Day 4: 00:00-00:15 1.5 at all three. At --min-complete 98 day 3 is
// complete, its missing interval dry; with --present all days 1 and 3 are not complete, and the
// site keeps too few days.
TEST(WeightedSite, PresentAnyTakesTheGaugesPresent) {
  TempDir dir;
  dir.write("a.csv",
            record({{{1, 20}, "0.3"}, {{1, 21}, "0.6"}, {{1, 24}, "0.216"}, {{4, 0}, "1.5"}}, {{3, 22}, {3, 23}}));
  dir.write("b.csv", record({{{1, 20}, "1.2"}, {{1, 21}, "0.6"}, {{1, 24}, "0.177"}, {{3, 22}, "0.8"}, {{4, 0}, "1.5"}},
                            {{3, 23}}));
  dir.write("c.csv", record({{{1, 24}, "0.129"}, {{4, 0}, "1.5"}}, {{1, 21}, {3, 22}, {3, 23}}));
  ChildSetup setup;
  setup.directory = dir.path();
  Args any = site_command;
  any.insert(any.end(), {"--present", "any", "--min-complete", "98"});
  const Outcome o = run_tool_program(setup, "raingen-prepare", any);
  ASSERT_EQ(o.exit_status, 0) << o.err;
  EXPECT_EQ(
      o.out.substr(0, o.out.find('\n')),
      "SITE: the records of A, B and C weighted as the program weights station series (distances 1, 2, 2: shares "
      "66.7%, 16.7%, 16.7%), present where any is, from the weights of the gauges present (--present any): of 3450 "
      "intervals present, 3438 (99.7%) from 3 gauges, 6 (0.2%) from 2, 6 (0.2%) from 1; 6 with none are missing");
  EXPECT_NE(o.out.find("  total depth     20.97 mm on complete days as read; on wet days 20.97 mm as read, 21.00 mm as "
                       "written (0.01 mm)\n"),
            std::string::npos)
      << o.out;
  std::string days;
  for (int b = 0; b < 36; b += 6)
    days += day_line(label("SITE", b + 1, "1.20"), {{20, "  0.40"}, {21, "  0.60"}, {24, "  0.20"}}) +
            day_line(label("SITE", b + 3, "0.80"), {{22, "  0.80"}}) +
            day_line(label("SITE", b + 4, "1.50"), {{0, "  1.50"}});
  EXPECT_EQ(dir.read("SITEF_2.TXT"), days + days.substr(days.rfind("SITE ")));
  const std::string facts = dir.read("RAINGEN.TXT");
  EXPECT_NE(facts.find("[site-station SITE]\npresent = any\ngauge = A 1\ngauge = B 2\ngauge = C 2\n"),
            std::string::npos);

  // Where all three must be present, the site keeps 24 complete days of 36: refused, nothing changed.
  const std::string input = dir.read("INPUT.TXT");
  Args all = site_command;
  all.insert(all.end(), {"--present", "all"});
  const Outcome refused = run_tool_program(setup, "raingen-prepare", all);
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_EQ(refused.err,
            "raingen-prepare: the weighted record of A, B and C: station SITE keeps 24 complete days of 36 "
            "(--min-complete 100); at least 30 are needed to draw from: give a longer record, or a lower "
            "--min-complete\n");
  EXPECT_EQ(dir.read("RAINGEN.TXT"), facts);
  EXPECT_EQ(dir.read("INPUT.TXT"), input);
  Args bad = site_command;
  bad.insert(bad.end(), {"--present", "some"});
  const Outcome usage = run_tool_program(setup, "raingen-prepare", bad);
  EXPECT_EQ(usage.exit_status, 2);
  EXPECT_EQ(usage.err, "raingen-prepare: --present 'some' is neither all nor any\n");
  const Outcome elsewhere = run_tool_program(setup, "raingen-prepare", {"--id", "X", "--present", "any", "a.csv"});
  EXPECT_EQ(elsewhere.exit_status, 2);
  EXPECT_EQ(elsewhere.err,
            "raingen-prepare: --present says which intervals of a site station are present: it belongs to "
            "--weighted-site\n");
}

// A gauge that only fills a station's place (B: one reading missing on two days of six, 24
// complete days) is no reason to refuse a site record that --present any keeps whole: its files
// take the site record's days, whole or season by season, and the summary says so.
TEST(WeightedSite, AThinGaugeBesideAWholeSiteRecordTakesItsDays) {
  TempDir dir;
  dir.write("a.csv", record({{{0, 10}, "0.3"}, {{3, 30}, "3.0"}}));
  dir.write("b.csv", record({{{0, 10}, "1.2"}}, {{3, 20}, {4, 20}}));
  dir.write("c.csv", record({{{2, 50}, "0.6"}}));
  ChildSetup setup;
  setup.directory = dir.path();
  for (const Args& extra : {Args{}, Args{"--seasons", "1-12"}}) {
    Args any = site_command;
    any.insert(any.end(), {"--present", "any"});
    any.insert(any.end(), extra.begin(), extra.end());
    if (!extra.empty()) any.insert(any.end(), {"--dir", "seasons"});
    const Outcome o = run_tool_program(setup, "raingen-prepare", any);
    ASSERT_EQ(o.exit_status, 0) << o.err;
    const std::string folder = extra.empty() ? "" : "seasons/Jan-Dec/";
    EXPECT_NE(o.out.find(std::string("\n  station B ") + (extra.empty() ? "" : "in season Jan-Dec ") +
                         "keeps 24 complete days of 36 (--min-complete 100), too few to draw from\n    its files there "
                         "hold the site record's days instead (the site station alone makes the series)\n"),
              std::string::npos)
        << o.out;
    // B's days are the site's, under B's name.
    std::string site_days = dir.read(folder + "SITEF_2.TXT"), b_days = dir.read(folder + "B   F_2.TXT");
    for (std::size_t at = 0; (at = site_days.find("SITE ", at)) != std::string::npos;)
      site_days.replace(at, 5, "B    ");
    EXPECT_EQ(b_days, site_days);
  }
  // Where all must be present, the site record is thin too: refused.
  Args all = site_command;
  all.insert(all.end(), {"--present", "all", "--dir", "all"});
  EXPECT_EQ(run_tool_program(setup, "raingen-prepare", all).exit_status, 1);
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
      {Args(site_command.begin(), site_command.end() - 2), 2,
       "the weighted site needs three stations: --station given 2 times"},
      {with({{11, "D=d.csv"}}), 2, "--station C: no --gauge gives its record"},
      {with({}, {"--gauge", "D=d.csv"}), 2, "--gauge D: no --station places it (give the three stations once each)"},
      {with({{1, "A"}}), 2, "--weighted-site A: the site station needs an ID of its own, not a gauge's"},
      {with({}, {"--format", "B:xls"}), 2, "gauge B: format 'xls' is none of auto, tips, csv, swmm, noaa"},
      {with({}, {"--id", "X"}), 2,
       "--weighted-site prepares the site station from the --gauge records: no --id or RECORD"},
      {with({{5, "2001"}}), 2,
       "the number of days (2001) is not from 1 to 2000, the most one run makes: prepare INPUT.TXT with fewer and make "
       "the longer series with raingen-ensemble --days N (-n 1 for one)"},
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
