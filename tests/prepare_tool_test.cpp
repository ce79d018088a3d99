// build/raingen-prepare end to end: a record prepared and run through the real program, the real
// pau01 records, bad records and bad command lines, INPUT.TXT from coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <numeric>
#include <optional>
#include <random>
#include <set>
#include <sstream>

#include <date/date.h>
#include <fmt/format.h>

#include "calendar/time_text.h"
#include "gauge/coarse_record.h"
#include "gauge/read_gauge.h"
#include "support/child.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

Outcome prepare(const TempDir& dir, const std::vector<std::string>& arguments, const std::string& input = "") {
  ChildSetup setup;
  setup.directory = dir.path();
  setup.input = input;
  return run_tool_program(setup, "raingen-prepare", arguments);
}

std::vector<std::string> listing(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

using Day = std::array<double, 96>;

// A 15-minute CSV record of 120 days from 2003-03-01: a third of the days wet, with depths of
// three decimals; day 50 has a gap (and a storm no generated day may show); day 60 holds only
// 0.004 mm, dry as written.
std::string synthetic_record(std::vector<Day>& wet_days) {
  std::mt19937 pick(2024);
  const auto start = date::sys_days{date::year{2003} / 3 / 1};
  std::string csv = "time,rain_mm\n";
  for (int d = 0; d < 120; ++d) {
    Day day{};
    const bool wet = pick() % 3 == 0 || d == 119;
    if (wet)
      for (double& v : day) v = pick() % 4 == 0 ? (pick() % 20000) / 1000.0 : 0.0;
    if (d == 50) day[10] = 50.0;
    if (d == 60) day[20] = 0.004;
    if (wet && d != 50) wet_days.push_back(day);
    for (int j = 0; j < 96; ++j) {
      if (d == 50 && j == 40) continue;  // absent: the day is incomplete
      const auto end = start + date::days{d} + std::chrono::minutes{(j + 1) * 15};
      csv += date::format("%Y-%m-%d %H:%M", end) + fmt::format(",{}\n", day[static_cast<std::size_t>(j)]);
    }
  }
  return csv;
}

// The days of a SOURCE.OUT, 96 rows each.
std::vector<Day> generated_days(const std::string& source) {
  std::vector<Day> days;
  std::istringstream in(source);
  long minutes = 0;
  double value = 0;
  std::size_t k = 0;
  while (in >> minutes >> value) {
    if (k % 96 == 0) days.emplace_back();
    days.back()[k % 96] = value;
    ++k;
  }
  return days;
}

TEST(PrepareTool, RoundTripThroughTheProgram) {
  TempDir dir;
  std::vector<Day> wet_days;
  dir.write("record.csv", synthetic_record(wet_days));
  for (const char* id : {"SITE", "B", "C"}) {
    const Outcome o = prepare(dir, {"--id", id, "record.csv"});
    ASSERT_EQ(o.exit_status, 0) << o.err;
    EXPECT_EQ(o.err, "");
  }
  const Outcome settings = prepare(
      dir, {"--site", "ROUND TRIP", "--days", "2000", "--station", "SITE=0", "--station", "B=5", "--station", "C=9"});
  ASSERT_EQ(settings.exit_status, 0) << settings.err;
  ChildSetup setup;
  setup.directory = dir.path();
  setup.environment = {{"RAINGEN_SEED", "7"}};
  const Outcome run = run_raingen(setup);
  ASSERT_EQ(run.exit_status, 0) << run.err;

  const std::vector<Day> days = generated_days(dir.read("SOURCE.OUT"));
  ASSERT_EQ(days.size(), 2000u);
  std::set<std::size_t> seen;
  long wet = 0;
  for (const Day& day : days) {
    if (std::all_of(day.begin(), day.end(), [](double v) { return v == 0.0; })) continue;
    ++wet;
    std::size_t match = 0;
    for (; match < wet_days.size(); ++match) {
      bool equal = true;
      for (std::size_t j = 0; j < 96 && equal; ++j) equal = std::fabs(day[j] - wet_days[match][j]) <= 0.0051;
      if (equal) break;
    }
    ASSERT_LT(match, wet_days.size()) << "a generated day is none of the record's wet days";
    seen.insert(match);
  }
  EXPECT_GT(wet, 300);
  EXPECT_EQ(seen.size(), wet_days.size()) << "every wet day comes up, the last one included";
}

// The real records of examples/pau01 prepare without error. PD_02 has no gap: every day is complete
// but its last (the record ends at 12:00), so its total on complete days is 0.2 mm for every tip
// row not on 17/06/2005, counted here from the file itself.
// A run directory of the synthetic record as stations SITE (at the site), B and C, each prepared
// with these extra options; the program's series for each seed, its days by generated_days.
struct Prepared {
  TempDir dir;
  std::vector<Day> wet_days;
  std::string summary;
  explicit Prepared(const std::vector<std::string>& options) {
    dir.write("record.csv", synthetic_record(wet_days));
    for (const char* id : {"SITE", "B", "C"}) {
      std::vector<std::string> arguments{"--id", id, "record.csv"};
      arguments.insert(arguments.end(), options.begin(), options.end());
      const Outcome o = prepare(dir, arguments);
      EXPECT_EQ(o.exit_status, 0) << o.err;
      summary += o.out;
    }
    const Outcome o = prepare(
        dir, {"--site", "CHANGED", "--days", "2000", "--station", "SITE=0", "--station", "B=5", "--station", "C=9"});
    EXPECT_EQ(o.exit_status, 0) << o.err;
  }
  std::vector<Day> series(int seed) const {
    ChildSetup setup;
    setup.directory = dir.path();
    setup.environment = {{"RAINGEN_SEED", std::to_string(seed)}};
    const Outcome run = run_raingen(setup);
    EXPECT_EQ(run.exit_status, 0) << run.err;
    return generated_days(dir.read("SOURCE.OUT"));
  }
};

// The 96 depths of each line of a day file, in hundredths, read from the program's columns.
std::vector<std::vector<long>> day_file_depths(const std::string& text) {
  std::vector<std::vector<long>> days;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    days.emplace_back();
    for (std::size_t j = 0; j < 96; ++j)
      days.back().push_back(std::lround(std::stod(line.substr(30 + 6 * j, 5)) * 100));
  }
  return days;
}

double wet_share(const std::vector<Day>& days) {
  const auto wet = std::count_if(days.begin(), days.end(), [](const Day& d) {
    return std::any_of(d.begin(), d.end(), [](double v) { return v > 0; });
  });
  return static_cast<double>(wet) / static_cast<double>(days.size());
}

// --change: factor=1.2 writes every depth 1.2 times today's (to 0.01 mm) and the same seed
// generates 1.2 times today's series; wet-days=-10% takes the generated wet-day share down by 10%;
// RAINGEN.TXT and the summary say what was asked and done; a change that cannot be made writes nothing.
TEST(PrepareTool, ChangedClimate) {
  const Prepared today({}), uplift({"--change", "factor=1.2"}), drier({"--change", "wet-days=-10%"});
  const auto files = day_file_depths(today.dir.read("SITEF_2.TXT")),
             scaled = day_file_depths(uplift.dir.read("SITEF_2.TXT"));
  ASSERT_EQ(scaled.size(), files.size());
  for (std::size_t d = 0; d < files.size(); ++d)
    for (std::size_t j = 0; j < 96; ++j)
      ASSERT_EQ(scaled[d][j], std::lround(std::floor(files[d][j] * 1.2 + 0.5 + 1e-9))) << "day " << d << " " << j;
  EXPECT_EQ(uplift.dir.read("SITED_3.TXT"), today.dir.read("SITED_3.TXT"));
  const std::vector<Day> present = today.series(7), future = uplift.series(7);
  ASSERT_EQ(future.size(), present.size());
  for (std::size_t d = 0; d < present.size(); ++d)
    for (std::size_t j = 0; j < 96; ++j) ASSERT_NEAR(future[d][j], 1.2 * present[d][j], 0.0051) << d << " " << j;
  EXPECT_NE(uplift.dir.read("RAINGEN.TXT").find("change = factor=1.2\nchange_result = p50 x1.200, p90 x1.200"),
            std::string::npos);

  // 38 wet days of 119 complete made 34: the record's share down by 10.5% (four days, rounded).
  EXPECT_NE(drier.summary.find("wet days 38 -> 34 of 119 complete days (31.93% -> 28.57%, 4 made dry)"),
            std::string::npos)
      << drier.summary;
  double share_today = 0, share_drier = 0;
  std::vector<double> band;
  for (int seed = 1; seed <= 8; ++seed) {
    band.push_back(wet_share(today.series(seed)));
    share_today += band.back() / 8;
    share_drier += wet_share(drier.series(seed)) / 8;
  }
  const auto [low, high] = std::minmax_element(band.begin(), band.end());
  EXPECT_NEAR(share_drier / share_today, 34.0 / 38, (*high - *low) / share_today)
      << share_today << " " << share_drier << " " << *low << " " << *high;

  // The report sets the changed ensemble against today's: every level and month 1.2 times (to the
  // levels' 0.01 mm), the same wet days, and the factors asked (of 3 x 2000 days, levels up to 10
  // years at eight durations).
  for (const Prepared* p : {&today, &uplift})
    ASSERT_EQ(
        run_tool_in(p->dir.path(), "raingen-ensemble", {"-n", "3", "--seed", "3", "--output", "e.nc"}).exit_status, 0);
  const Outcome report = run_tool_in(
      today.dir.path(), "raingen-report",
      {"--gauge", "SITE=record.csv", "--gauge", "B=record.csv", "--gauge", "C=record.csv", "--ensemble", "e.nc",
       "--changed", uplift.dir.path().string(), "--changed-ensemble", (uplift.dir / "e.nc").string()});
  ASSERT_EQ(report.exit_status, 0) << report.err;
  std::map<std::string, long> rows;
  std::istringstream csv(today.dir.read("report/statistics.csv"));
  for (std::string line; std::getline(csv, line);) {
    if (!line.starts_with("change,")) continue;
    const std::string statistic =
        line.substr(line.find(',', 7) + 1, line.find(',', line.find(',', 7) + 1) - line.find(',', 7) - 1);
    ++rows[statistic];
    const double value = std::stod(line.substr(line.find(',', line.find(',', 7) + 1) + 1));
    EXPECT_NEAR(value, statistic.find("wet") != std::string::npos ? 1 : 1.2,
                statistic == "monthly_total_ratio" ? 0.001 : 0.01)
        << line;
  }
  EXPECT_EQ(rows, (std::map<std::string, long>{{"asked_top_factor", 1},
                                               {"asked_wet_days_factor", 1},
                                               {"monthly_total_ratio", 12},
                                               {"monthly_wet_share_ratio", 12},
                                               {"return_level_ratio", 24},
                                               {"wet_day_share_ratio", 1}}));
  EXPECT_NE(today.dir.read("report/report.html").find("was prepared with --change factor=1.2 (p50 x1.200"),
            std::string::npos);

  TempDir dir;
  dir.write("record.csv", today.dir.read("record.csv"));
  const Outcome refused = prepare(dir, {"--id", "SITE", "--change", "wet-days=+300%", "record.csv"});
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_EQ(refused.err,
            "raingen-prepare: record.csv: --change wet-days=+300% would make 114 dry days wet, and the record has 81 "
            "complete dry days\n");
  EXPECT_EQ(listing(dir), std::vector<std::string>{"record.csv"});
}

// The value of a row of statistics.csv (its first fields up to the value given as key).
std::optional<double> csv_value(const std::string& csv, const std::string& key) {
  const std::size_t at = csv.find("\n" + key + ",");
  if (at == std::string::npos) return std::nullopt;
  return std::stod(csv.substr(at + key.size() + 2));
}

// --tail on three years of PD01 (2002-2004) toward a reference curve: 10 realizations of 20 years
// pass the record's largest 15-minute and 1-hour depths, their empirical 50- and 100-year levels
// lie within the curve's intervals, the days drawn are those of the pool without a tail (the same
// spell table: the same wet days for each seed) and the mean depth stays within the realizations'
// spread; the page says the depths are extrapolated. A record's own GEV on 3 years, --seasons and
// a lone --tail-years are refused, and a change that leaves a season too few wet days: nothing written.
TEST(PrepareTool, TailBeyondTheRecord) {
  const std::string record =
      (fs::path(RAINGEN_EXAMPLE_DATA).parent_path() / "pau01" / "iMHEA_PAU_01_PD_01_raw.csv").string();
  const std::string curve =
      "duration_minutes,return_period_years,depth_mm,lower_mm,upper_mm\n15,2,6,5,7\n15,5,8,7,9.5\n15,10,9.5,8,11\n"
      "15,20,11,9,13\n15,50,13,10.5,16\n15,100,14.5,11.5,18\n60,2,12,10,14\n60,5,15,13,17.5\n60,10,17,14.5,20\n"
      "60,20,19.5,16.5,23\n60,50,22,18,27\n60,100,24,19.5,30\n";
  std::array<std::string, 2> csv;
  for (std::size_t k = 0; k < 2; ++k) {
    TempDir dir;
    dir.write("ref.csv", curve);
    const std::vector<std::string> years{"--from", "2002-01-01", "--to", "2004-12-31", record};
    for (const char* id : {"SITE", "B", "C"}) {
      std::vector<std::string> arguments{"--id", id};
      if (k == 1 && id == std::string("SITE")) arguments.insert(arguments.end(), {"--tail", "ref.csv"});
      arguments.insert(arguments.end(), years.begin(), years.end());
      const Outcome o = prepare(dir, arguments);
      ASSERT_EQ(o.exit_status, 0) << o.err;
      if (k == 1 && id == std::string("SITE")) {
        EXPECT_NE(o.out.find("  tail            --tail ref.csv: each wet day "), std::string::npos) << o.out;
      }
    }
    ASSERT_EQ(prepare(dir, {"--site", "TAIL", "--days", "2000", "--station", "SITE=0", "--station", "B=5", "--station",
                            "C=9"})
                  .exit_status,
              0);
    ASSERT_EQ(
        run_tool_in(dir.path(), "raingen-ensemble", {"-n", "10", "--days", "7305", "--seed", "4", "--output", "e.nc"})
            .exit_status,
        0);
    ChildSetup setup;
    setup.directory = dir.path();
    ASSERT_EQ(run_raingen(setup).exit_status, 0);
    const Outcome report =
        run_tool_in(dir.path(), "raingen-report",
                    {"--gauge", "SITE=" + record, "--from", "2002-01-01", "--to", "2004-12-31", "--gauge",
                     "B=" + record, "--gauge", "C=" + record, "--ensemble", "e.nc", "--reference-ddf", "ref.csv"});
    ASSERT_EQ(report.exit_status, 0) << report.err;
    csv[k] = dir.read("report/statistics.csv");
    if (k == 1) {
      EXPECT_NE(dir.read("RAINGEN.TXT").find("\ntail = ref.csv\ntail_result = each wet day "), std::string::npos);
      EXPECT_NE(dir.read("report/report.html").find("The pool of station SITE was widened beyond the record"),
                std::string::npos);
    }
  }
  for (const char* minutes : {"15", "60"}) {
    const std::string at = std::string(",") + minutes + ",";
    const double largest = *csv_value(csv[1], std::string("ensemble") + at.substr(0, at.size() - 1) + ",largest_depth");
    EXPECT_GT(largest, *csv_value(csv[0], std::string("ensemble") + at.substr(0, at.size() - 1) + ",largest_depth"));
    for (const char* years : {"50", "100"}) {
      const std::string key = std::string("ensemble") + at + "return_level_empirical";
      const std::size_t row = csv[1].find("\n" + key + ",");
      ASSERT_NE(row, std::string::npos);
      std::istringstream levels(csv[1].substr(row + 1));
      bool seen = false;
      for (std::string line; std::getline(levels, line) && line.starts_with(key);) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, ',');) f.push_back(field);
        if (f[4] != years) continue;
        seen = true;
        const std::string reference = std::string("reference-ddf") + at + "return_level_reference";
        const std::size_t point = csv[1].find("\n" + reference + ",", 0);
        ASSERT_NE(point, std::string::npos);
        double lower = 0, upper = 0;
        std::istringstream points(csv[1].substr(point + 1));
        for (std::string p; std::getline(points, p) && p.starts_with(reference);) {
          std::vector<std::string> g;
          std::istringstream pf(p);
          for (std::string field; std::getline(pf, field, ',');) g.push_back(field);
          if (g[4] == years) lower = std::stod(g[5]), upper = std::stod(g[6]);
        }
        EXPECT_GE(std::stod(f[3]), lower) << minutes << " min, " << years << " years";
        EXPECT_LE(std::stod(f[3]), upper) << minutes << " min, " << years << " years";
      }
      EXPECT_TRUE(seen) << minutes << " " << years;
    }
  }
  for (int k = 1; k <= 10; ++k) {
    const std::string r = "realization:" + std::to_string(k) + ",1440,";
    EXPECT_EQ(csv_value(csv[1], r + "probability_dry"), csv_value(csv[0], r + "probability_dry")) << k;
    EXPECT_NEAR(*csv_value(csv[1], r + "mean"), *csv_value(csv[0], r + "mean"), 0.05 * *csv_value(csv[0], r + "mean"));
  }

  TempDir dir;
  dir.write("r.csv", read_file(record));
  const std::pair<std::vector<std::string>, std::string> refusals[] = {
      {{"--tail", "record"},
       "raingen-prepare: r.csv: --tail record: the record has 3 calendar years with 80% of their days complete; a GEV "
       "fitted on fewer than 10 years is no reference (its shape is as uncertain as the whole range of rainfall "
       "tails): give --tail FILE, a reference curve, or --tail-few-years to fit it anyway\n"},
      {{"--tail", "record", "--seasons", "quarters"},
       "raingen-prepare: --tail widens the pool of the whole year: it does not take --seasons (a season's pool would "
       "need its own share of the year's extremes)\n"},
      {{"--tail-years", "50"}, "raingen-prepare: --tail-years shapes --tail: give --tail record|FILE with it\n"},
      {{"--seasons", "months", "--change", "wet-days=-90%"},
       "raingen-prepare: r.csv: station SITE in season Jan has 7 wet days among its 113 complete days (wet above 0 "
       "mm); "
       "at least 10 are needed to draw from: give a longer record (or wider seasons: Jan holds 124 of the record's "
       "1486 days) (after --change wet-days=-90% made 1020 of the record's 1132 wet days dry)\n"},
  };
  for (const auto& [options, message] : refusals) {
    std::vector<std::string> arguments{"--id", "SITE", "r.csv"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const Outcome o = prepare(dir, arguments);
    EXPECT_NE(o.exit_status, 0);
    EXPECT_EQ(o.err, message);
    EXPECT_EQ(listing(dir), std::vector<std::string>{"r.csv"});
  }
}

TEST(PrepareTool, RealTipRecords) {
  const fs::path records = fs::path(RAINGEN_EXAMPLE_DATA).parent_path() / "pau01";
  TempDir dir;
  for (int i = 1; i <= 3; ++i) {
    const std::string record = (records / fmt::format("iMHEA_PAU_01_PD_0{}_raw.csv", i)).string();
    const Outcome o = prepare(dir, {"--id", fmt::format("PD0{}", i), record});
    ASSERT_EQ(o.exit_status, 0) << o.err;
    EXPECT_NE(o.out.find("read as tips"), std::string::npos) << o.out;
    if (i != 2) continue;
    const std::string text = read_file(record);
    long tips = 0;
    for (std::size_t at = text.find('\r'); at != std::string::npos; at = text.find('\r', at + 1))
      if (text.compare(at + 20, 5, ",0.2,") == 0 && text.compare(at + 1, 10, "17/06/2005") != 0) ++tips;
    EXPECT_NE(o.out.find(fmt::format("total depth     {:.2f} mm on complete days", tips * 0.2)), std::string::npos)
        << tips << "\n"
        << o.out;
    EXPECT_NE(o.out.find("days with gaps  1\n"), std::string::npos) << o.out;
  }
  EXPECT_EQ(listing(dir).size(), 10u);  // and RAINGEN.TXT
}

// A gauge's record as a csv at a coarse step: its 15-minute record summed (missing where any
// interval is), stamped at each step's end, or (daily) by the date alone.
std::string coarse_csv(const std::string& record, int step) {
  using namespace raingen;
  const gauge::CoarseRecord coarse = gauge::coarse_of(record, gauge::read_gauge(record, {}), calendar::Minutes{step});
  std::string csv = "time,rain_mm\n";
  for (std::size_t k = 0; k < coarse.values.size(); ++k) {
    const calendar::TimePoint end = coarse.first_end + static_cast<long>(k) * coarse.step;
    const std::string time =
        step == 1440 ? calendar::day_text(calendar::day_of(end - coarse.step)) : calendar::minute_text(end);
    csv += std::isnan(coarse.values[k]) ? time + ",\n" : fmt::format("{},{:.2f}\n", time, coarse.values[k]);
  }
  return csv;
}

// An hourly and a daily record (PD_01 summed) made 15-minute from PD_02's and PD_03's fragments:
// the daily record's wet days hold its totals exactly, in its date order; one seed gives the same
// files, another seed other depths on the same wet days; the reports of a station and of a network
// read the record as it was made; a held-out gauge keeps its wet share and p99; bad coarse records
// and options change nothing.
TEST(PrepareTool, CoarseRecordsFromFragments) {
  const std::string records = std::string(RAINGEN_EXAMPLE_RECORDS) + "/iMHEA_PAU_01_PD_0";
  const std::vector<std::string> fragments{"--fragments-from", "PD02=" + records + "2_raw.csv", "--fragments-from",
                                           "PD03=" + records + "3_raw.csv"};
  TempDir dir;
  dir.write("hourly.csv", coarse_csv(records + "1_raw.csv", 60));
  dir.write("daily.csv", coarse_csv(records + "1_raw.csv", 1440));
  const auto prepared = [&](const std::string& folder, const std::string& record, std::vector<std::string> more) {
    more.insert(more.end(), fragments.begin(), fragments.end());
    more.insert(more.end(), {"--dir", folder, "--id", "GAUG", record});
    const Outcome o = prepare(dir, more);
    EXPECT_EQ(o.exit_status, 0) << o.err;
    return o.out;
  };
  const std::string hourly = prepared("h1", "hourly.csv", {});
  EXPECT_NE(hourly.find("GAUG: hourly.csv (read as csv, 60-minute step, 35650 readings)\n  made 15-minute  "),
            std::string::npos)
      << hourly;
  prepared("h2", "hourly.csv", {});
  prepared("h3", "hourly.csv", {"--seed", "7"});
  EXPECT_EQ(dir.read("h2/GAUGF_2.TXT"), dir.read("h1/GAUGF_2.TXT"));
  EXPECT_NE(dir.read("h3/GAUGF_2.TXT"), dir.read("h1/GAUGF_2.TXT"));
  EXPECT_EQ(dir.read("h3/GAUGD_3.TXT"), dir.read("h1/GAUGD_3.TXT"));  // the wet days are the record's
  const std::string facts = dir.read("h1/RAINGEN.TXT");
  EXPECT_NE(facts.find("fragment = PD02=" + records + "2_raw.csv\nfragment = PD03=" + records +
                       "3_raw.csv\nfragments_k = 0\nfragments_window = 15\nfragments_seed = 1\nfragments_result = "),
            std::string::npos)
      << facts;

  // The report reads the station's record as it was made (the fragments of RAINGEN.TXT): it rests
  // on the hourly record's years, and each year's largest hour is there in its 60-minute maximum.
  for (const std::string id : {"B", "C"}) {
    std::vector<std::string> arguments(fragments);
    arguments.insert(arguments.end(), {"--dir", "h1", "--id", id, "hourly.csv"});
    ASSERT_EQ(prepare(dir, arguments).exit_status, 0);
  }
  ASSERT_EQ(prepare(dir, {"--dir", "h1", "--site", "S", "--days", "1000", "--station", "GAUG=0", "--station", "B=1",
                          "--station", "C=1"})
                .exit_status,
            0);
  ChildSetup run;
  run.directory = dir.path() / "h1";
  ASSERT_EQ(run_raingen(run).exit_status, 0);
  const Outcome report =
      run_tool_in(dir.path() / "h1", "raingen-report",
                  {"--gauge", "GAUG=../hourly.csv", "--gauge", "B=../hourly.csv", "--gauge", "C=../hourly.csv"});
  ASSERT_EQ(report.exit_status, 0) << report.err;
  std::map<int, double> hour_max;
  long hours = 0;
  std::istringstream rows(dir.read("hourly.csv"));
  std::string line;
  for (std::getline(rows, line); std::getline(rows, line);) {
    if (line.back() == ',') continue;
    ++hours;
    const int year = std::stoi(line.substr(0, 4)) - (line.substr(5, 11) == "01-01 00:00" ? 1 : 0);
    hour_max[year] = std::max(hour_max[year], std::stod(line.substr(17)));
  }
  const std::string csv = dir.read("h1/report/statistics.csv");
  EXPECT_NEAR(*csv_value(csv, "weighted-record,,record_years"), hours / 24.0 / 365.2425, 1e-9);
  int years = 0;
  for (std::size_t at = csv.find("record:GAUG,60,annual_maximum,"); at != std::string::npos;
       at = csv.find("record:GAUG,60,annual_maximum,", at + 1), ++years) {
    const std::string row = csv.substr(at + 30, csv.find('\n', at) - at - 30);
    EXPECT_GE(std::stod(row) + 1e-9, hour_max[std::stoi(row.substr(row.find(',') + 1))]) << row;
  }
  EXPECT_EQ(years, 3);

  // A network with the hourly gauge among its gauges: every site's folder says how it was made,
  // and the network's report reads it so.
  dir.write("sites.csv", "name,x,y\nA,100,100\nB,300,200\n");
  std::vector<std::string> network(fragments);
  network.insert(network.end(), {"--network", "net", "--sites", "sites.csv", "--days", "500", "--gauge", "H=hourly.csv",
                                 "--gauge", "G2=" + records + "2_raw.csv", "--gauge", "G3=" + records + "3_raw.csv",
                                 "--station", "H@0,0", "--station", "G2@500,0", "--station", "G3@0,500"});
  ASSERT_EQ(prepare(dir, network).exit_status, 0);
  for (const char* site : {"A", "B"}) {
    EXPECT_NE(dir.read(std::string("net/") + site + "/RAINGEN.TXT")
                  .find("[station H]\nrecord = " + (dir.path() / "hourly.csv").string() + "\nfragment = PD02="),
              std::string::npos);
    run.directory = dir.path() / "net" / site;
    ASSERT_EQ(run_raingen(run).exit_status, 0);
  }
  const Outcome network_report = run_tool_in(dir.path() / "net", "raingen-report", {"--network", "."});
  EXPECT_EQ(network_report.exit_status, 0) << network_report.err;

  prepared("d1", "daily.csv", {"--fragments-k", "3", "--fragments-window", "30"});
  std::vector<long> wet_totals;
  std::istringstream daily(dir.read("daily.csv"));
  std::getline(daily, line);
  while (std::getline(daily, line))
    if (line.back() != ',' && std::stod(line.substr(11)) > 0)
      wet_totals.push_back(std::lround(std::stod(line.substr(11)) * 100));
  const auto days = day_file_depths(dir.read("d1/GAUGF_2.TXT"));
  ASSERT_EQ(days.size(), wet_totals.size() + 1);  // and the copy of the last
  for (std::size_t d = 0; d < wet_totals.size(); ++d)
    ASSERT_EQ(std::accumulate(days[d].begin(), days[d].end(), 0L), wet_totals[d]) << d;

  // Held out and made again hour by hour: the wet share within 0.05, the wet p99 within 15%.
  std::vector<std::string> hold(fragments.begin(), fragments.end());
  hold.insert(hold.end(), {"--fragments-from", "PD01=" + records + "1_raw.csv", "--hold-out", "PD01"});
  const Outcome held = prepare(dir, hold);
  ASSERT_EQ(held.exit_status, 0) << held.err;
  const auto figure = [&](const std::string& name, int column) {
    std::istringstream row(held.out.substr(held.out.find(name) + name.size()));
    double record = 0, made = 0;
    row >> record >> made;
    return column == 0 ? record : made;
  };
  EXPECT_NEAR(figure("wet share of 15-minute intervals", 1), figure("wet share of 15-minute intervals", 0), 0.05);
  const double p99 = figure("p99 of wet 15-minute depths (mm)", 0);
  EXPECT_NEAR(figure("p99 of wet 15-minute depths (mm)", 1), p99, 0.15 * p99) << held.out;

  dir.write("fifty.csv", "time,r\n2001-01-01 00:50,1\n2001-01-01 01:40,0\n");
  const std::vector<std::string> before = listing(dir);
  const std::vector<std::tuple<std::vector<std::string>, int, std::string>> refused{
      {{"--id", "X", "--fragments-from", "P=" + records + "2_raw.csv", "fifty.csv"},
       1,
       "fifty.csv:3: the record's step is 50 minutes: a coarse record's step must be a whole number of 15-minute "
       "intervals that divides a day (30, 60, ... 1440 minutes)"},
      {{"--id", "X", "--fragments-from", "H=hourly.csv", "daily.csv"},
       1,
       "hourly.csv:3: the record's step is 60 minutes; 15 minutes or finer is needed"},
      {{"--hold-out", "P", "--fragments-from", "P=" + records + "2_raw.csv", "--id", "X", "hourly.csv"},
       2,
       "--hold-out compares a fragment gauge made again with its record and writes nothing: no --id or RECORD"},
      {{"--hold-out", "P", "--hold-out-step", "50", "--fragments-from", "P=" + records + "2_raw.csv",
        "--fragments-from", "Q=" + records + "3_raw.csv"},
       2,
       "--hold-out-step 50: give a whole number of 15-minute intervals that divides a day (30, 60, ... 1440)"},
      {{"--id", "X", "--fragments-k", "3", "hourly.csv"},
       2,
       "--fragments-k shapes how a coarse record is made 15-minute: give --fragments-from ID=FILE"},
      {{"--id", "X", "--utc-offset", "-05:00", "--fragments-utc-offset", "+00:00", "--fragments-from",
        "P=" + records + "2_raw.csv", "hourly.csv"},
       2,
       records + "2_raw.csv: the fragment gauges kept UTC+00:00 and the records UTC-05:00: a step's fragments must "
                 "come from the same hours of the day (give records on one clock)"}};
  for (const auto& [arguments, status, message] : refused) {
    const Outcome o = prepare(dir, arguments);
    EXPECT_EQ(o.exit_status, status) << o.err;
    EXPECT_EQ(o.err, "raingen-prepare: " + message + "\n");
    EXPECT_EQ(o.out, "");
  }
  EXPECT_EQ(listing(dir), before);
}

struct BadRecord {
  const char* what;
  std::string bytes;
  std::string message;  // after "raingen-prepare: "
};

// Each bad record: one message naming file and line, exit status 1, and no station file written
// or changed.
TEST(PrepareTool, BadRecordsChangeNothing) {
  const std::string tips =
      "\xEF\xBB\xBF"
      "Date,Event mm,Flag\r24/05/2001 00:00:01,0,I\r24/05/2001 00:41:23,0.2,\r";
  const BadRecord cases[] = {
      {"malformed line", tips + "24/05/2001 01:04:56;0.2\r",
       "r.csv:4: '24/05/2001 01:04:56;0.2' is not a time "
       "(YYYY-MM-DD hh:mm[:ss] or dd/mm/yyyy hh:mm[:ss])"},
      {"out of order", tips + "24/05/2001 00:30:00,0.2,\r",
       "r.csv:4: time 2001-05-24 00:30 comes before the time of the reading before (2001-05-24 00:41:23): readings "
       "must "
       "be in time order"},
      {"repeated", tips + "24/05/2001 00:41:23,0.2,\r",
       "r.csv:4: time 2001-05-24 00:41:23 repeats the time of the reading before"},
      {"impossible date", tips + "29/02/2001 01:00:00,0.2,\r",
       "r.csv:4: '29/02/2001 01:00:00' is not a time of the calendar"},
      {"hourly", "time,rain\n2001-05-24 01:00,0\n2001-05-24 02:00,1.5\n2001-05-24 03:00,0\n",
       "r.csv:3: the record's step is 60 minutes; 15 minutes or finer is needed"},
      {"oversize depth", "time,rain\n2001-05-24 00:05,0\n2001-05-24 00:10,60.5\n2001-05-24 00:15,39.5\n",
       "r.csv:4: the 15-minute depth ending 2001-05-24 00:15 comes to 100.00 mm; a depth of 100 mm or more cannot be "
       "written"},
      {"no wet day", "time,rain\n2001-05-24 00:15,0\n2001-05-24 00:30,0\n",
       "r.csv: station ALFA has no complete day: none of its 1 day has 100% of its intervals present"},
  };
  for (const BadRecord& c : cases) {
    TempDir dir;
    dir.write("r.csv", c.bytes);
    dir.write("ALFAD_3.TXT", "old table");
    const Outcome o = prepare(dir, {"--id", "ALFA", "r.csv"});
    EXPECT_EQ(o.exit_status, 1) << c.what;
    EXPECT_EQ(o.err, "raingen-prepare: " + c.message + "\n") << c.what;
    EXPECT_EQ(o.out, "") << c.what;
    EXPECT_EQ(listing(dir), (std::vector<std::string>{"ALFAD_3.TXT", "r.csv"})) << c.what;
    EXPECT_EQ(dir.read("ALFAD_3.TXT"), "old table");
    EXPECT_EQ(dir.read("r.csv"), c.bytes);
  }
}

TEST(PrepareTool, CommandLines) {
  TempDir dir;
  dir.write("r.csv", "time,a,b\n2001-05-24 00:15,0,1\n2001-05-24 00:30,1,0\n");
  const std::pair<std::vector<std::string>, std::string> usage[] = {
      {{},
       "give --id ID and a RECORD to prepare a station, or --site NAME --days N --station ... for INPUT.TXT (--help "
       "tells more)"},
      {{"--id", "ALFA"},
       "give --id ID and a RECORD to prepare a station, or --site NAME --days N --station ... for "
       "INPUT.TXT (--help tells more)"},
      {{"--id", "ALFAB", "r.csv"}, "--id 'ALFAB' must be 1 to 4 printable ASCII characters, no blank or '/'"},
      {{"--id", "A", "r.csv"}, "r.csv: several value columns (a, b): pick one with --column"},
      {{"--id", "A", "--column", "a", "--swmm-station", "X", "r.csv"},
       "r.csv: --swmm-station does not apply to a record read as csv"},
      {{"--id", "A", "--min-complete", "0", "r.csv"}, "--min-complete 0 is not a percentage above 0 and at most 100"},
      {{"--id", "A", "--spell-table", "plain", "r.csv"}, "--spell-table 'plain' is neither matched nor cumulative"},
      {{"--id", "A", "--format", "xls", "r.csv"}, "format 'xls' is none of auto, tips, csv, swmm, noaa"},
      {{"--id", "A", "--format", "csv", "--format", "tips", "r.csv"}, "--format is given twice"},
      {{"--id", "A", "--from", "2001-06-31", "r.csv"}, "from '2001-06-31' is not a day YYYY-MM-DD"},
      {{"--id", "A", "--site", "S", "r.csv"},
       "prepare a station (--id ID RECORD) or write INPUT.TXT (--site ...), one at a time"},
      {{"--id", "A", "--station", "RG1", "r.csv"},
       "--station places a station in INPUT.TXT; the station of a SWMM rain file is picked with --swmm-station"},
      {{"--site", "S", "--days", "10", "--station", "A=1", "--station", "B=2"},
       "INPUT.TXT needs three stations: --station given 2 times"},
      {{"--site", "S", "--days", "10", "--station", "A=1", "--station", "B=2", "--station", "C=1000"},
       "--station C: distance '1000' is not a whole number from 0 to 999 (3 digits)"},
      {{"--site", "S", "--days", "2001", "--station", "A=1", "--station", "B=2", "--station", "C=3"},
       "the number of days (2001) is not from 1 to 2000, the most one run makes: prepare INPUT.TXT with fewer and make "
       "the longer series with raingen-ensemble --days N (-n 1 for one)"},
      {{"--site", "THE SITE NAME", "--days", "10", "--station", "A=1", "--station", "B=2", "--station", "C=3"},
       "the site name 'THE SITE NAME' is longer than its 11 characters"},
      {{"--site", "S", "--days", "10", "--station", "A@1,2", "--station", "B=2", "--station", "C=3"},
       "--station A gives coordinates: --site-at LAT,LON is needed"},
      {{"--site", "S", "--days", "10", "--station", "A", "--station", "B=2", "--station", "C=3"},
       "--station 'A' is neither ID=DIST nor ID@LAT,LON"},
      {{"--site", "S", "--station", "A=1"}, "INPUT.TXT needs --site NAME and --days N"},
      {{"--site", "S", "--days", "10", "--min-complete", "90"},
       "--min-complete belongs to preparing a station, not to INPUT.TXT"},
  };
  for (const auto& [arguments, message] : usage) {
    const Outcome o = prepare(dir, arguments);
    EXPECT_EQ(o.exit_status, 2) << message;
    EXPECT_EQ(o.err, "raingen-prepare: " + message + "\n");
  }
  EXPECT_EQ(listing(dir), std::vector<std::string>{"r.csv"});

  const Outcome help = prepare(dir, {"--help"});
  EXPECT_EQ(help.exit_status, 0);
  for (const char* rule : {"--swmm-station", "unless --stamp start", "absent is missing, not dry", "Kaplan-Meier",
                           "100 mm or more", "--min-complete percent"})
    EXPECT_NE(help.out.find(rule), std::string::npos) << rule;
  EXPECT_EQ(prepare(dir, {"--version"}).out, std::string("raingen-prepare ") + RAINGEN_PROJECT_VERSION + "\n");

  // Standard input, with its format given.
  const Outcome piped = prepare(dir, {"--id", "P", "--format", "csv", "--column", "b", "-"}, dir.read("r.csv"));
  EXPECT_EQ(piped.exit_status, 1);
  EXPECT_EQ(piped.err,
            "raingen-prepare: -: station P has no complete day: none of its 1 day has 100% of its intervals "
            "present\n");

  // A --dir that does not exist is made for the files, and taken away again when the use fails.
  EXPECT_EQ(prepare(dir, {"--id", "P", "--dir", "new", "r.csv"}).exit_status, 2);
  EXPECT_EQ(listing(dir), std::vector<std::string>{"r.csv"});
}

// RAINGEN.TXT written with the files of each use: a station's record, reading options and clock;
// the site's name, position and the clock its stations share; refused, with nothing written, when
// their clocks differ or the file does not read.
TEST(PrepareTool, RunFactsBesideTheFiles) {
  TempDir dir;
  std::vector<Day> wet_days;
  dir.write("record.csv", synthetic_record(wet_days));
  const std::string record = fs::canonical(dir / "record.csv").string();
  for (const char* id : {"A", "B", "C"}) {
    const Outcome o =
        prepare(dir, {"--id", id, "--utc-offset", "-05:00", "--column", "rain_mm", "--format", "csv", "record.csv"});
    ASSERT_EQ(o.exit_status, 0) << o.err;
    EXPECT_NE(
        o.out.find(fmt::format("\n  also written    ./RAINGEN.TXT: [station {}] with the record's path, 2 reading "
                               "options given, clock UTC-05:00\n",
                               id)),
        std::string::npos)
        << o.out;
  }
  const std::string comment =
      "# raingen-prepare: facts of this run directory that INPUT.TXT and the station files do not\n"
      "# hold; raingen-export, raingen-ensemble and raingen-report read them.\n";
  const auto station = [&](const char* id, const char* offset) {
    return fmt::format("[station {}]\nrecord = {}\nreading = format=csv\nreading = column=rain_mm\nutc_offset = {}\n",
                       id, record, offset);
  };
  EXPECT_EQ(dir.read("RAINGEN.TXT"),
            comment + station("A", "-05:00") + "\n" + station("B", "-05:00") + "\n" + station("C", "-05:00"));
  const std::vector<std::string> settings{"--site",    "OUTLET", "--days",    "10",  "--station", "A=1",
                                          "--station", "B=2",    "--station", "C=3", "--site-at", "-2.5,-79.25"};
  const Outcome o = prepare(dir, settings);
  ASSERT_EQ(o.exit_status, 0) << o.err;
  EXPECT_EQ(o.out.substr(o.out.find("./RAINGEN.TXT")),
            "./RAINGEN.TXT: [site] OUTLET, position -2.5000000,-79.2500000, clock UTC-05:00\n");
  const std::string site = "[site]\nname = OUTLET\nposition = -2.5000000,-79.2500000\nutc_offset = -05:00\n";
  const std::string stations = comment + station("A", "-05:00") + "\n" + station("B", "-05:00") + "\n";
  EXPECT_EQ(dir.read("RAINGEN.TXT"), stations + station("C", "-05:00") + "\n" + site);

  // C prepared again on another clock: the sites' clocks differ, nothing is written.
  ASSERT_EQ(
      prepare(dir, {"--id", "C", "--utc-offset", "+00:00", "--column", "rain_mm", "--format", "csv", "record.csv"})
          .exit_status,
      0);
  const std::string facts = stations + station("C", "+00:00") + "\n" + site;
  ASSERT_EQ(dir.read("RAINGEN.TXT"), facts);
  const std::string input = dir.read("INPUT.TXT");
  std::vector<std::string> given = settings;
  given.insert(given.end(), {"--utc-offset", "-05:00"});
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string message;
  } refused[] = {
      {settings, 1,
       "./RAINGEN.TXT:15: station C kept the clock UTC+00:00, station A UTC-05:00 (line 3): the site series would mix "
       "days of two clocks (prepare the stations with one --utc-offset)"},
      {given, 1,
       "./RAINGEN.TXT:15: station C kept the clock UTC+00:00, not the --utc-offset -05:00 given for the site: the site "
       "series would mix days of two clocks (prepare every station on the site's clock)"},
      {{"--id", "D", "--utc-offset", "-5", "record.csv"},
       2,
       "--utc-offset '-5' is not +HH:MM or -HH:MM, from -14:00 to +14:00"},
  };
  for (const auto& c : refused) {
    const Outcome r = prepare(dir, c.arguments);
    EXPECT_EQ(r.exit_status, c.status) << c.message;
    EXPECT_EQ(r.err, "raingen-prepare: " + c.message + "\n");
    EXPECT_EQ(dir.read("RAINGEN.TXT"), facts);
    EXPECT_EQ(dir.read("INPUT.TXT"), input);
  }
  // The site's clock given when the stations state none of their own.
  TempDir other;
  const Outcome plain = prepare(other, {"--site", "S", "--days", "10", "--station", "A=1", "--station", "B=2",
                                        "--station", "C=3", "--utc-offset", "+01:00"});
  ASSERT_EQ(plain.exit_status, 0) << plain.err;
  EXPECT_EQ(other.read("RAINGEN.TXT"), comment + "[site]\nname = S\nutc_offset = +01:00\n");

  // A line of RAINGEN.TXT that does not read stops every use before anything is written; a record
  // that fails leaves RAINGEN.TXT as it was.
  other.write("record.csv", dir.read("record.csv"));
  other.write("RAINGEN.TXT", "[station A]\nrecord = here.csv\n");
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--id", "A", "--column", "rain_mm", "record.csv"}, settings}) {
    const Outcome r = prepare(other, arguments);
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.err, "raingen-prepare: ./RAINGEN.TXT:2: record 'here.csv' is not an absolute path\n");
    EXPECT_EQ(listing(other), (std::vector<std::string>{"INPUT.TXT", "RAINGEN.TXT", "record.csv"}));
  }
  other.write("RAINGEN.TXT", facts);
  other.write("bad.csv", "time,mm\n2001-01-01 00:15,0\n2001-01-01 00:30,wet\n");
  EXPECT_EQ(prepare(other, {"--id", "A", "bad.csv"}).exit_status, 1);
  EXPECT_EQ(other.read("RAINGEN.TXT"), facts);
  EXPECT_FALSE(other.exists("A   D_3.TXT"));
}

// Stations 100-600 m from the site: kilometres would take the first whole, so the distances are in
// metres, and the weights the program computes from them (1 / float(d^2), normalised) lie within
// 1 point of the exact inverse-square weights. The same stations 100 times as far keep kilometres.
// Along a meridian or the equator a great circle is R times the angle (R = 6371.0088 km).
TEST(PrepareTool, DistancesFromCoordinatesKeepTheWeights) {
  const double pi = 3.14159265358979323846;
  const struct {
    double scale;
    std::array<int, 3> distances;
    std::string unit_note;
  } cases[] = {
      {1,
       {111, 204, 556},
       "  distances from coordinates in units of 1 m, the finest that holds them in 3 digits (kilometres would put "
       "station A at 0)\n"},
      {100,
       {11, 20, 56},
       "  distances from coordinates in km: every weight within 0.3 points of the exact "
       "inverse-square weight\n"},
  };
  for (const auto& c : cases) {
    // A 0.001 degrees north, B 0.001835 degrees east, C 0.005 degrees south, times the scale.
    const std::array<double, 3> degrees{0.001 * c.scale, 0.001835 * c.scale, 0.005 * c.scale};
    TempDir dir;
    const Outcome o =
        prepare(dir, {"--site", "S", "--days", "10", "--site-at", "0,0", "--station", fmt::format("A@{},0", degrees[0]),
                      "--station", fmt::format("B@0,{}", degrees[1]), "--station", fmt::format("C@-{},0", degrees[2])});
    ASSERT_EQ(o.exit_status, 0) << o.err;
    const std::string settings = dir.read("INPUT.TXT");
    EXPECT_EQ(settings.substr(settings.find("DISTANCE 1"), 3 * 19),
              fmt::format("DISTANCE 1:   {:3}\r\nDISTANCE 2:   {:3}\r\nDISTANCE 3:   {:3}\r\n", c.distances[0],
                          c.distances[1], c.distances[2]));
    EXPECT_NE(o.out.find(c.unit_note), std::string::npos) << o.out;
    std::array<double, 3> exact{}, program{};
    double exact_sum = 0, program_sum = 0;
    for (std::size_t i = 0; i < 3; ++i) {
      const double metres = 6371008.8 * degrees[i] * pi / 180;
      exact[i] = 1 / (metres * metres);
      program[i] = 1 / static_cast<double>(static_cast<float>(c.distances[i] * c.distances[i]));
      exact_sum += exact[i];
      program_sum += program[i];
    }
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(program[i] / program_sum, exact[i] / exact_sum, 0.01) << c.scale << " station " << i;
      const std::string line = fmt::format("distance {}, weight {:.1f}% as the program applies it (exact {:.1f}%)\n",
                                           c.distances[i], 100 * program[i] / program_sum, 100 * exact[i] / exact_sum);
      EXPECT_NE(o.out.find(line), std::string::npos) << line << o.out;
    }
  }
}

// A 5-minute CSV record of `days` days from 2003-03-01: depth(d, k) for reading k of day d (NaN:
// the row is absent).
std::string five_minute_record(int days, const std::function<double(int, int)>& depth) {
  const auto start = date::sys_days{date::year{2003} / 3 / 1};
  std::string csv = "time,rain_mm\n";
  for (int d = 0; d < days; ++d)
    for (int k = 0; k < 288; ++k) {
      const double v = depth(d, k);
      if (std::isnan(v)) continue;
      csv += date::format("%Y-%m-%d %H:%M", start + date::days{d} + std::chrono::minutes{(k + 1) * 5}) +
             fmt::format(",{}\n", v);
    }
  return csv;
}

// Records the program could not draw from are refused with their numbers, and nothing is written;
// a gauge that loses 5 readings a day is told what a lower --min-complete would keep.
TEST(PrepareTool, ThinRecordsRefusedWithGuidance) {
  const double nan = std::nan("");
  const auto wet_every = [](int n) { return [n](int d, int k) { return k == 0 && d % n == 0 ? 0.4 : 0.0; }; };
  // 5 readings lost on day d >= first_lossy, in 5 different 15-minute intervals.
  const auto losing = [&](int first_lossy) {
    return [&, first_lossy](int d, int k) {
      return d >= first_lossy && k % 57 == 7 ? nan : (k == 0 && d % 3 == 0 ? 0.4 : 0.0);
    };
  };
  const struct {
    std::string record;
    std::string message;
  } refused[] = {
      {five_minute_record(8, wet_every(2)),
       "r.csv: station AB keeps 8 complete days of 8 (--min-complete 100); at least 30 are needed to draw from: give a "
       "longer record, or a lower --min-complete"},
      {five_minute_record(40, wet_every(1)),
       "r.csv: station AB has no dry day between wet days: its 40 dry spells all end after 0 days, so its spell table "
       "would have no entries and the program would make every day wet; give a record with dry days between its wet "
       "days, or a --wet-threshold above 0 if traces wet them"},
      {five_minute_record(60, losing(0)),
       "r.csv: station AB has no complete day: none of its 60 days has 100% of its intervals present; --min-complete "
       "99 "
       "would keep 0 days, 95 0, 90 60, 80 60: a gauge that loses a few readings a day keeps more days at a lower "
       "--min-complete (the missing intervals of a day kept are taken as dry)"},
  };
  for (const auto& c : refused) {
    TempDir dir;
    dir.write("r.csv", c.record);
    dir.write("RAINGEN.TXT", "[site]\n");
    const Outcome o = prepare(dir, {"--id", "AB", "r.csv"});
    EXPECT_EQ(o.exit_status, 1);
    EXPECT_EQ(o.err, "raingen-prepare: " + c.message + "\n");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(listing(dir), (std::vector<std::string>{"RAINGEN.TXT", "r.csv"}));
    EXPECT_EQ(dir.read("RAINGEN.TXT"), "[site]\n");
  }
  // Kept, but the default leaves fewer than half of the days: the summary says what lower
  // percentages would keep; at 90 every day is kept and its 5 missing intervals taken as dry.
  TempDir dir;
  dir.write("r.csv", five_minute_record(70, losing(30)));
  const Outcome kept = prepare(dir, {"--id", "AB", "r.csv"});
  ASSERT_EQ(kept.exit_status, 0) << kept.err;
  EXPECT_NE(kept.out.find("\n  complete days   30; missing intervals taken as dry: 0 in 0 days (--min-complete 100)\n"
                          "  completeness    only 30 of 70 days have every interval present: --min-complete 99 would "
                          "keep 30 days, 95 30, 90 70, 80 70 (the missing intervals of a day kept are taken as dry)\n"),
            std::string::npos)
      << kept.out;
  const Outcome at_90 = prepare(dir, {"--id", "AB", "--min-complete", "90", "r.csv"});
  ASSERT_EQ(at_90.exit_status, 0) << at_90.err;
  EXPECT_NE(
      at_90.out.find("\n  complete days   70; missing intervals taken as dry: 200 in 40 days (--min-complete 90)\n"
                     "  days with gaps  0\n"),
      std::string::npos)
      << at_90.out;
}

TEST(PrepareTool, SettingsFromCoordinates) {
  TempDir dir;
  const Outcome o =
      prepare(dir, {"--site", "OUTLET", "--days", "365", "--results", "OUT.TXT", "--site-at", "-0.25,-78.5",
                    "--station", "NEAR@-0.25,-78.5", "--station", "FAR@0.75,-78.5", "--station", "MID@-0.25,-78.4855"});
  ASSERT_EQ(o.exit_status, 0) << o.err;
  EXPECT_EQ(
      dir.read("INPUT.TXT"),
      "RESULTS FILE: OUT.TXT\r\nSITE NAME:    OUTLET\r\nSTATION 1:    NEAR\r\nSTATION 2:    FAR\r\n"
      "STATION 3:    MID\r\nDISTANCE 1:     0\r\nDISTANCE 2:   111\r\nDISTANCE 3:     2\r\nNUMBER DAYS:   365\r\n");
  EXPECT_EQ(o.out,
            "./INPUT.TXT: results OUT.TXT, site OUTLET, 365 days\n"
            "  station 1  NEAR  distance   0\n"
            "  station 2  FAR   distance 111\n"
            "  station 3  MID   distance   2\n"
            "  distances from coordinates in units of 1 km\n"
            "  station NEAR lies 0.000 km from the site, within 5 m of it: distance 0\n"
            "  station FAR lies 111.195 km from the site: distance 111\n"
            "  station MID lies 1.612 km from the site: distance 2\n"
            "  station NEAR is at the site (distance 0): the program takes its series unchanged and the other stations "
            "do not count\n"
            "./RAINGEN.TXT: [site] OUTLET, position -0.2500000,-78.5000000, clock not stated\n");
}

}  // namespace
