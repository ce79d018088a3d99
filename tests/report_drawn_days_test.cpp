// The recorded days a generated day was drawn from: worked by hand on made days, and on the
// program's own run of stations whose every wet day is known.
#include <gtest/gtest.h>

#include <cmath>
#include <fmt/format.h>

#include "calendar/time_point.h"
#include "calendar/time_text.h"
#include "report/drawn_days.h"
#include "report/run_inputs.h"
#include "support/generator_runs.h"
#include "support/station_data.h"

namespace {

using raingen::report::DayDepths;
using raingen::report::drawn_day_sentence;
using raingen::report::drawn_labels;
using raingen::report::StationDays;
using testing_support::DayValues;
using testing_support::TempDir;

DayValues halves(double first, double second) {
  DayValues day{};
  for (std::size_t j = 0; j < day.size(); ++j) day[j] = j < 48 ? first : second;
  return day;
}
DayDepths depths(const DayValues& v) { return DayDepths(v); }
std::vector<double> site(const DayValues& v) { return {v.begin(), v.end()}; }

// Distances 1, 1, 2: weights 1, 1, 1/4, shares 4/9, 4/9, 1/9.
const std::array<StationDays, 3> made{{
    {"A", {"A 20010102"}, {depths(halves(0.9, 0.9))}},
    {"B", {"B 20010305", "B 20020101"}, {depths(halves(0.45, 0)), depths(halves(0.45, 0))}},
    {"C", {"C 19991231"}, {depths(halves(1.8, 1.8))}},
}};

TEST(DrawnDays, WorkedByHand) {
  using Labels = std::array<std::set<std::string>, 3>;
  const struct {
    const char* what;
    std::array<int, 3> distances;
    DayValues day;
    std::optional<Labels> expected;
  } cases[] = {
      // 4/9 0.9 + 1/9 1.8 = 0.6; B dry.
      {"A and C, B dry", {1, 1, 2}, halves(0.6, 0.6), Labels{{{"A 20010102"}, {""}, {"C 19991231"}}}},
      // + 4/9 0.45 = 0.2 in the first half: B's two equal days both give it.
      {"all three, B's equal days",
       {1, 1, 2},
       halves(0.8, 0.6),
       Labels{{{"A 20010102"}, {"B 20010305", "B 20020101"}, {"C 19991231"}}}},
      // 0.001 mm off in every interval: the written value cannot come from these days.
      {"none", {1, 1, 2}, halves(0.601, 0.601), std::nullopt},
      // Station B at the site: its day alone, the others not weighted.
      {"B at the site", {3, 0, 5}, halves(0.45, 0), Labels{{{}, {"B 20010305", "B 20020101"}, {}}}},
      {"B at the site, a day it lacks", {3, 0, 5}, halves(0.6, 0.6), std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(drawn_labels(site(c.day), made, c.distances), c.expected) << c.what;
}

// Three stations of one wet day each (and its copy, the last record): every generated day is one
// of eight combinations of a station's day or a dry day, found here by trying all eight.
TEST(DrawnDays, TheProgramsRunMatchedDayByDay) {
  const TempDir dir;
  const std::array<std::string, 3> ids{"ALFA", "BRAV", "CHAR"};
  const std::array<std::string, 3> labels{"ALFA 19970704  96.00", "BRAV 19981111  24.00", "CHAR 19991231  76.80"};
  DayValues ramp{};
  for (std::size_t j = 0; j < ramp.size(); ++j) ramp[j] = 0.2 * static_cast<double>(j % 9);
  const std::array<DayValues, 3> wet{halves(1.0, 1.0), halves(0, 0.5), ramp};
  for (std::size_t s = 0; s < 3; ++s) {
    dir.write(ids[s] + "D_3.TXT", testing_support::spell_text({"0.5", "1.0"}));
    dir.write(ids[s] + "F_2.TXT", testing_support::day_line(wet[s], labels[s]) + "\n" +
                                      testing_support::day_line(wet[s], labels[s]) + "\n");
    dir.write(ids[s] + "F_3.TXT", testing_support::index_text(2, 2));
  }
  testing_support::Settings settings;
  settings.distances = {"  1", "  2", "  2"};  // shares 2/3, 1/6, 1/6
  settings.day_count = " 120";
  dir.write("INPUT.TXT", testing_support::input_text(settings));
  ASSERT_EQ(testing_support::run_program_in(dir, "7").exit_status, 0);
  const auto day_one = raingen::calendar::TimePoint(*raingen::calendar::civil_day(2001, 1, 1));
  const raingen::report::GeneratedRun run = raingen::report::read_generated_run(dir.path(), day_one, "generated");

  const std::array<double, 3> shares{2.0 / 3, 1.0 / 6, 1.0 / 6};
  std::set<int> combinations_seen;
  double wettest = -1;
  std::string wettest_sentence;
  for (std::size_t d = 0; d < 120; ++d) {
    std::vector<double> day;
    for (std::size_t j = 0; j < 96; ++j) day.push_back(run.generated.depth(d * 96 + j));
    std::vector<int> fits;
    for (int mask = 0; mask < 8; ++mask) {
      bool equal = true;
      for (std::size_t j = 0; j < 96 && equal; ++j) {
        double value = 0;
        for (std::size_t s = 0; s < 3; ++s)
          if (mask & (1 << s)) value += shares[s] * wet[s][j];
        equal = std::abs(value - day[j]) < 0.0006;
      }
      if (equal) fits.push_back(mask);
    }
    ASSERT_EQ(fits.size(), 1u) << "day " << d;
    const int mask = fits[0];
    combinations_seen.insert(mask);
    std::array<std::set<std::string>, 3> expected;
    std::vector<std::string> parts;
    for (std::size_t s = 0; s < 3; ++s) {
      const bool is_wet = mask & (1 << s);
      expected[s].insert(is_wet ? labels[s] : "");
      parts.push_back(ids[s] + (is_wet ? " '" + labels[s] + "'" : " a dry day"));
    }
    EXPECT_EQ(drawn_labels(day,
                           std::array<StationDays, 3>{*raingen::report::read_station_days(dir.path(), "ALFA"),
                                                      *raingen::report::read_station_days(dir.path(), "BRAV"),
                                                      *raingen::report::read_station_days(dir.path(), "CHAR")},
                           {1, 2, 2}),
              expected)
        << "day " << d;
    double total = 0;
    for (double v : day) total += v;
    if (total > wettest + 1e-9) {
      wettest = total;
      const auto start = day_one + std::chrono::days(d);
      wettest_sentence =
          fmt::format("{} of generated was drawn from the recorded days (the day files' labels): {}.",
                      raingen::calendar::day_text(raingen::calendar::day_of(start)), fmt::join(parts, "; "));
      EXPECT_EQ(drawn_day_sentence(run, start, day), wettest_sentence);
    }
  }
  // The run drew days with every station wet and with one dry: the match was put to the test.
  EXPECT_TRUE(combinations_seen.count(7)) << combinations_seen.size();
  EXPECT_GE(combinations_seen.size(), 4u);
}

}  // namespace
