// Whole runs of the program: the results file, SOURCE.OUT, the console and the exit status.
#include <gtest/gtest.h>

#include "support/generator_model.h"
#include "support/generator_runs.h"

namespace {

using namespace testing_support;

const std::string ids_line = "STATION #1: ALFA\r\nSTATION #2: BRAV\r\nSTATION #3: CHAR\r\n";
const std::string table_heading = "  \r\n  \r\n   TIME(MIN) RAINFALL\r\n";

std::string results_header(const std::array<std::string, 3>& distances) {
  std::string text = "SYNTHETIC RAINFALL GENERATION\r\n  \r\nSITE NAME:  HILLSIDE   \r\n" + ids_line;
  text += std::string(25, ' ') + "\r\nDISTANCE TO SITE:\r\n";
  for (int i = 0; i < 3; ++i) text += "STATION #" + std::to_string(i + 1) + ": " + distances[i] + "\r\n";
  return text;
}

// Day k of a station with numbered days: interval j holds k + j/100.
DayValues numbered_day(int k) {
  DayValues day;
  for (int j = 0; j < 96; ++j) day[static_cast<std::size_t>(j)] = k + (j + 1) / 100.0;
  return day;
}

const DayValues dry_day = constant_day(0.0);

// The series of a station with the table 0.5, 1.0 (midpoints 0.25 and 0.75) and five numbered
// days, drawn from the model's values; `skip` values go to the stations before it.
std::vector<DayValues> predicted_series(std::int64_t seed, int days, int skip) {
  DrawModel draws(seed);
  for (int k = 0; k < skip; ++k) draws.next();
  std::vector<DayValues> series(static_cast<std::size_t>(days), dry_day);
  int next_day = 1;
  while (next_day <= days) {
    const float r = draws.next();
    const int spell = r < 0.25f ? 0 : r < 0.75f ? 1 : 2;
    if (spell >= days - next_day + 1) break;
    next_day += spell;
    const int record = static_cast<int>(4.0 * double{draws.next()}) + 1;
    series[static_cast<std::size_t>(next_day - 1)] = numbered_day(record);
    ++next_day;
  }
  return series;
}

void write_numbered_station(const TempDir& dir, const std::string& id) {
  std::vector<DayValues> days;
  for (int k = 1; k <= 5; ++k) days.push_back(numbered_day(k));
  write_station(dir, id, {"   0.5000", "   1.0000"}, days);
}

// A table of n entries all 0.0: every draw gives a spell of n days.
std::vector<std::string> zero_table(int n) {
  return std::vector<std::string>(static_cast<std::size_t>(n), "   0.0000");
}

Settings with(std::array<std::string, 3> distances, int days) {
  Settings settings;
  settings.distances = distances;
  settings.day_count = std::to_string(days);
  return settings;
}

void expect_run(const TempDir& dir, const std::string& seed, const std::array<std::string, 3>& distances,
                const std::vector<DayValues>& site) {
  const Outcome outcome = run_program_in(dir, seed);
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(outcome.out, running_line + "\r\n");
  EXPECT_EQ(outcome.err, "");
  const std::string rows = table_rows(site);
  EXPECT_EQ(dir.read("RESULTS.TXT"), results_header(distances) + table_heading + rows);
  EXPECT_EQ(dir.read("SOURCE.OUT"), rows);
}

TEST(RunTest, StationAtTheSiteWithKnownDays) {
  for (int seed : {12345, 0, 240, 777777}) {
    TempDir dir;
    write_standard_data(dir, with({"  0", "  5", "  9"}, 40));
    write_numbered_station(dir, "ALFA");
    expect_run(dir, std::to_string(seed), {"  0", "  5", "  9"}, predicted_series(seed, 40, 0));
  }
}

TEST(RunTest, StationsDrawInTurnFromOneGenerator) {
  // Station 1 takes one value (a spell of 12 fills its 12 days), so station 2 starts with the
  // second value; with a spell of 11 it takes two (the dry days, then the last day wet).
  for (int station1_entries : {12, 11}) {
    TempDir dir;
    write_standard_data(dir, with({"  3", "  0", "  9"}, 12));
    write_station(dir, "ALFA", zero_table(station1_entries), {constant_day(1.0)});
    write_numbered_station(dir, "BRAV");
    const int taken = station1_entries == 12 ? 1 : 2;
    expect_run(dir, "4242", {"  3", "  0", "  9"}, predicted_series(4242, 12, taken));
  }
}

TEST(RunTest, SpellEqualToTheUnfilledDaysLeavesThemAllDry) {
  TempDir dir;
  write_standard_data(dir, with({"  0", "  5", "  9"}, 12));
  write_station(dir, "ALFA", zero_table(12), {constant_day(2.5)});
  expect_run(dir, "99", {"  0", "  5", "  9"}, std::vector<DayValues>(12, dry_day));
}

TEST(RunTest, SpellOneLessThanTheUnfilledDaysPutsTheWetDayLast) {
  TempDir dir;
  write_standard_data(dir, with({"  0", "  5", "  9"}, 12));
  write_station(dir, "ALFA", zero_table(11), {constant_day(2.5), constant_day(2.5)});
  std::vector<DayValues> site(12, dry_day);
  site[11] = constant_day(2.5);
  expect_run(dir, "99", {"  0", "  5", "  9"}, site);
}

TEST(RunTest, OneDay) {
  TempDir dir;
  write_standard_data(dir, with({"  0", "  5", "  9"}, 1));
  write_numbered_station(dir, "ALFA");
  const std::vector<DayValues> site = predicted_series(5, 1, 0);
  expect_run(dir, "5", {"  0", "  5", "  9"}, site);
  const std::string out = dir.read("SOURCE.OUT");
  EXPECT_EQ(out.substr(0, 12), "          15");
  EXPECT_EQ(out.substr(out.size() - 23, 12), "        1440");
}

TEST(RunTest, TwoThousandDays) {
  TempDir dir;
  write_standard_data(dir, with({"  0", "  5", "  9"}, 2000));
  // Every spell is 10 days: days 11, 22, 33, ... are wet.
  write_station(dir, "ALFA", zero_table(10), {constant_day(1.25), constant_day(1.25), constant_day(1.25)});
  std::vector<DayValues> site(2000, dry_day);
  for (int d = 11; d <= 2000; d += 11) site[static_cast<std::size_t>(d - 1)] = constant_day(1.25);
  expect_run(dir, "31", {"  0", "  5", "  9"}, site);
  const std::string out = dir.read("SOURCE.OUT");
  EXPECT_EQ(out.substr(out.size() - 23), "     2880000     .000\r\n");
}

TEST(RunTest, NoDaysGiveNoRowsAndLeaveAnOldSourceOut) {
  for (const char* days : {"   0", "  -5"}) {
    TempDir dir;
    Settings settings;
    settings.day_count = days;
    write_standard_data(dir, settings);
    dir.write("SOURCE.OUT", "OLD CONTENT\r\n");
    const Outcome outcome = run_program_in(dir);
    EXPECT_EQ(outcome.exit_status, 0);
    EXPECT_EQ(outcome.out, running_line + "\r\n");
    EXPECT_EQ(dir.read("RESULTS.TXT"), results_header({"  0", "  5", "  9"}) + table_heading);
    EXPECT_EQ(dir.read("SOURCE.OUT"), "OLD CONTENT\r\n");
  }
}

TEST(RunTest, EveryStationDry) {
  TempDir dir;
  write_standard_data(dir, with({"  3", "  4", "  5"}, 15));
  for (const char* id : {"ALFA", "BRAV", "CHAR"}) write_station(dir, id, zero_table(20), {constant_day(3.0)});
  expect_run(dir, "8", {"  3", "  4", "  5"}, std::vector<DayValues>(15, dry_day));
}

struct WeightCase {
  std::array<std::string, 3> distances;
  double values[3];  // every day of station s wet with this value
  double site;       // worked out by hand
};

TEST(RunTest, WeightedSites) {
  const WeightCase cases[] = {
      {{"  1", "  2", "  2"}, {1.20, 3.00, 0.60}, 1.4},  // (1.2 + 3/4 + 0.6/4) / 1.5
      {{" -2", "  2", "  2"}, {1.00, 2.00, 6.00}, 3.0},  // a negative distance weighs as 2
      {{"  7", "  7", "  7"}, {1.00, 2.00, 4.50}, 2.5},  // the plain mean
      {{"  5", "  0", "  0"}, {1.00, 2.00, 3.00}, 2.0},  // the first station at the site
      {{"  1", "  3", "  0"}, {1.00, 2.00, 0.00}, 0.0},  // a dry station at the site
  };
  for (const WeightCase& c : cases) {
    TempDir dir;
    write_standard_data(dir, with(c.distances, 3));
    const char* ids[] = {"ALFA", "BRAV", "CHAR"};
    // No spell-table entries: every spell is 0 days, so every day is wet.
    for (int s = 0; s < 3; ++s) write_station(dir, ids[s], {}, {constant_day(c.values[s])});
    expect_run(dir, "3", c.distances, std::vector<DayValues>(3, constant_day(c.site)));
  }
}

std::string with_crlf(const std::string& text) {
  std::string out;
  for (char ch : text) {
    if (ch == '\n') out += '\r';
    out += ch;
  }
  return out;
}

TEST(RunTest, InputFilesWithCrLfLineEndsReadTheSame) {
  TempDir dir;
  write_standard_data(dir, with({"  0", "  5", "  9"}, 25));
  write_numbered_station(dir, "ALFA");
  for (const std::string name : {"INPUT.TXT", "ALFAD_3.TXT", "ALFAF_2.TXT", "ALFAF_3.TXT"})
    dir.write(name, with_crlf(dir.read(name)));
  expect_run(dir, "2024", {"  0", "  5", "  9"}, predicted_series(2024, 25, 0));
}

TEST(RunTest, OneSeedOneResult) {
  TempDir first, second, third;
  for (const TempDir* dir : {&first, &second, &third}) write_standard_data(*dir, with({"  2", "  5", "  9"}, 60));
  run_program_in(first, "1234");
  run_program_in(second, " 1234 ");
  run_program_in(third, "1235");
  EXPECT_EQ(first.read("RESULTS.TXT"), second.read("RESULTS.TXT"));
  EXPECT_EQ(first.read("SOURCE.OUT"), second.read("SOURCE.OUT"));
  EXPECT_NE(first.read("SOURCE.OUT"), third.read("SOURCE.OUT"));
}

TEST(RunTest, InvalidSeedTouchesNoFile) {
  TempDir dir;
  write_standard_data(dir);
  dir.write("SOURCE.OUT", "OLD\r\n");
  const Outcome outcome = run_program_in(dir, "12x");
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "raingen: RAINGEN_SEED is not a 32-bit integer: '12x'\n");
  EXPECT_FALSE(dir.exists("RESULTS.TXT"));
  EXPECT_EQ(dir.read("SOURCE.OUT"), "OLD\r\n");
}

TEST(RunTest, InvalidSeedComesBeforeTheMissingSettingsFile) {
  TempDir dir;
  const Outcome outcome = run_program_in(dir, "seven");
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "raingen: RAINGEN_SEED is not a 32-bit integer: 'seven'\n");
}

}  // namespace
