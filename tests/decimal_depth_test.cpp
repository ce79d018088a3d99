// Depths rounded to the 0.01 mm of a station file as their decimal values are, ties away from zero:
// sums of a record's readings, the day lines, the depth limit, the weighted site; depths too large
// for any integer refused, never converted. And the weighted record over the gauges present.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "common/program_files.h"
#include "common/tool_error.h"
#include "gauge/decimal_depth.h"
#include "gauge/read_gauge.h"
#include "stations/station_files.h"
#include "support/child.h"
#include "weighting/weighted_record.h"

namespace {

using raingen::common::ToolError;
using raingen::gauge::CalendarSeries;
using raingen::gauge::hundredths_of;
using testing_support::TempDir;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(DecimalDepth, HundredthsAsTheDecimalRounds) {
  const struct {
    double mm;
    long long hundredths;  // -1: none
  } cases[] = {
      {0.101 + 0.606 + 2.828, 354},  // 3.5349999999999997 in binary
      {3.535, 354},
      {1.005, 101},
      {2.675, 268},  // each a little below its decimal in binary
      {0.005, 1},
      {0.015, 2},
      {99.995, 10000},
      {99.994999, 9999},
      {0.0049999, 0},
      {0.004999999, 0},
      {0.1 + 0.2, 30},
      {-0.005, -1},
      {-2.675, -268},
      {0.0, 0},
      {12.34, 1234},
      {999999999.0, 99999999900},
      {1e9, -1},
      {-1e9, -1},
      {9.3e16, -1},
      {1e300, -1},
      {nan, -1},
      {std::numeric_limits<double>::infinity(), -1},
  };
  for (const auto& c : cases) {
    const auto h = hundredths_of(c.mm);
    EXPECT_EQ(h ? *h : -1, c.hundredths) << c.mm;
  }
  EXPECT_EQ(raingen::gauge::hundredths_text(354), "3.54");
  EXPECT_EQ(raingen::gauge::hundredths_text(-5), "-0.05");
  EXPECT_THROW(raingen::stations::hundredths(1e17), ToolError);
}

// The hundredths always those of the billionths (rounded, ties away from zero), over random depths
// of every size and depths within 1e-15 to 1e-3 mm of a half hundredth, either side, either sign.
TEST(DecimalDepth, HundredthsAreTheBillionthsRoundedOverManyDepths) {
  std::mt19937_64 random(29);
  std::uniform_real_distribution<double> unit(0, 1);
  const auto reference = [](double mm) {
    const std::int64_t b = *raingen::gauge::billionths_of(mm), whole = b / 10'000'000, rest = b % 10'000'000;
    return 2 * std::llabs(rest) < 10'000'000 ? whole : whole + (rest < 0 ? -1 : 1);
  };
  long checked = 0;
  for (int i = 0; i < 200000; ++i) {
    const double sign = i % 2 ? -1 : 1;
    const double any = sign * std::pow(10.0, 8 * unit(random) - 3) * unit(random);
    const double tie = sign * ((static_cast<double>(random() % 1'000'000) + 0.5) / 100 +
                               (unit(random) - 0.5) * std::pow(10.0, -15 + 12 * unit(random)));
    for (double mm : {any, tie}) {
      ASSERT_EQ(*hundredths_of(mm), reference(mm)) << fmt::format("{:.17g}", mm);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 400000);
}

// A 5-minute record whose 15-minute sums fall on ties, read as raingen-prepare reads it, then the
// day line the station file gets; the depth limit judged the same way.
TEST(DecimalDepth, RecordSumsAndDayLines) {
  TempDir dir;
  dir.write("r.csv",
            "time,mm\n2001-05-01 00:05,0.101\n2001-05-01 00:10,0.606\n2001-05-01 00:15,2.828\n"  // 3.535
            "2001-05-01 00:20,0.001\n2001-05-01 00:25,0.002\n2001-05-01 00:30,0.002\n"           // 0.005
            "2001-05-01 00:35,1\n2001-05-01 00:40,0.002\n2001-05-01 00:45,0.003\n"               // 1.005
            "2001-05-01 00:50,0.333333\n2001-05-01 00:55,0.333333\n2001-05-01 01:00,0.333334\n"  // 1.000000
            "2001-05-01 01:05,2.5\n2001-05-01 01:10,0.17\n2001-05-01 01:15,0.005\n");            // 2.675
  raingen::gauge::ReadOptions options;
  options.depth_limit = raingen::common::depth_limit_mm;
  const CalendarSeries s = raingen::gauge::read_gauge((dir / "r.csv").string(), options);
  ASSERT_EQ(s.size(), 5u);
  raingen::stations::DayRecord day;
  for (std::size_t k = 0; k < s.size(); ++k) day.depths[k] = s.depth(k);
  EXPECT_EQ(raingen::stations::day_line(day).substr(29, 5 * 6), "  3.54  0.01  1.01  1.00  2.68");

  // The limit: 99.99 + 0.005 is 99.995, which rounds to 100.00 and is refused as that.
  const auto limit_message = [&](const std::string& bytes, double limit) {
    dir.write("l.csv", bytes);
    raingen::gauge::ReadOptions o;
    o.depth_limit = limit;
    try {
      raingen::gauge::read_gauge((dir / "l.csv").string(), o);
      return std::string("read");
    } catch (const ToolError& e) {
      return std::to_string(e.line()) + ": " + e.what();
    }
  };
  const double limit = raingen::common::depth_limit_mm;
  const double none = std::numeric_limits<double>::infinity();
  EXPECT_EQ(
      limit_message("time,mm\n2001-05-01 00:05,99.99\n2001-05-01 00:10,0.005\n2001-05-01 00:15,0\n", limit),
      "3: the 15-minute depth ending 2001-05-01 00:15 comes to 100.00 mm; a depth of 100 mm or more cannot be written");
  EXPECT_EQ(limit_message("time,mm\n2001-05-01 00:05,99.99\n2001-05-01 00:10,0.0049\n2001-05-01 00:15,0\n", limit),
            "read");
  // Depths no integer holds: refused, with the limit of a station file or without one (the report).
  EXPECT_EQ(
      limit_message("time,mm\n2001-05-01 00:05,1e17\n2001-05-01 00:10,0\n", limit),
      "2: the 15-minute depth ending 2001-05-01 00:15 comes to 1e+17 mm; a depth of 100 mm or more cannot be written");
  EXPECT_EQ(limit_message("time,mm\n2001-05-01 00:05,5e8\n2001-05-01 00:10,5e8\n", none),
            "3: the 15-minute depth ending 2001-05-01 00:15 comes to 1e+09 mm: no depth of 1e+09 mm or more is taken");
  EXPECT_EQ(limit_message("time,mm\n2001-05-01 00:05,4e8\n2001-05-01 00:10,5e8\n", none), "read");

  // A day line that cannot hold a depth says so in the depth as it would be written.
  day.key = 20010501;
  day.depths[0] = 99.995;
  try {
    raingen::stations::day_line(day);
    ADD_FAILURE();
  } catch (const ToolError& e) {
    EXPECT_STREQ(e.what(),
                 "day 20010501, interval 1 (ending 00:15): the depth 100.00 mm cannot be written in 5 columns "
                 "(0.00 to 99.99 mm)");
  }
  day.depths[0] = 1e17;
  EXPECT_THROW(raingen::stations::day_line(day), ToolError);
}

// The weighted value of decimal depths rounds as the exact weighted mean does. Weights 1, 4, 4:
// (4 x 0.216 + 0.177 + 0.129) / 6 = 0.195 exactly, 0.19499999999999998 in binary. Distances 1, 1 and
// 999: (998001 (g1 + g2) + g3) / 1996003, which for g1 + g2 = 0.01 lies 0.0005 / 1996003 = 2.5e-10 mm
// below 0.005 when g3 = 0.0045, on it when g3 = 0.005, above it when g3 = 0.0055: closer than the 9
// decimals a depth is first taken to, so only the exact mean can tell.
TEST(DecimalDepth, WeightedSiteRoundsAsTheExactMean) {
  using raingen::weighting::weighted_value;
  const auto weights = [](int d1, int d2, int d3) {
    return std::array<double, 3>{double(d1) * d1, double(d2) * d2, double(d3) * d3};
  };
  const struct {
    std::array<double, 3> g;
    std::array<double, 3> w;
    long long hundredths;
  } cases[] = {
      {{0.216, 0.177, 0.129}, weights(1, 2, 2), 20},  {{0.004, 0.006, 0.0045}, weights(1, 1, 999), 0},
      {{0.004, 0.006, 0.005}, weights(1, 1, 999), 1}, {{0.004, 0.006, 0.0055}, weights(1, 1, 999), 1},
      {{0.004, 0.006, nan}, weights(1, 1, 999), 1},  // 0.005 from two gauges
      {{nan, 0.216, nan}, weights(1, 2, 2), 22},     // one gauge alone
      {{1.005, 1.005, 1.005}, weights(3, 3, 3), 101},
  };
  for (const auto& c : cases) EXPECT_EQ(hundredths_of(weighted_value(c.g, c.w)), c.hundredths) << c.g[2];
  // Near a half but not on it, the value moves by no more than 2e-9 mm; away from a half, or from
  // depths of more than 6 decimals, it is the program's arithmetic untouched.
  EXPECT_NEAR(weighted_value({0.004, 0.006, 0.0045}, weights(1, 1, 999)), 0.005, 3e-9);
  const double plain = (0.1234567 / 4 + 0.3) / (1.25);
  EXPECT_EQ(weighted_value({0.3, 0.1234567, nan}, weights(1, 2, 2)), plain);
  EXPECT_TRUE(std::isnan(weighted_value({nan, nan, nan}, weights(1, 2, 2))));
}

// Three records with staggered spans and gaps at distances 1, 2, 2 (weights 1, 4, 4). Interval k
// from 00:00: A covers 0-5 and misses 3; B covers 1-6 and misses 2; C covers 0-3.
TEST(WeightedRecord, OverTheGaugesPresent) {
  using raingen::calendar::TimePoint;
  const TimePoint midnight{raingen::calendar::Minutes{11323LL * 1440}};
  const auto at = [&](int k) { return midnight + k * raingen::calendar::interval_length; };
  const auto series = [](TimePoint start, std::vector<double> v) { return CalendarSeries("r", start, std::move(v)); };
  const CalendarSeries a = series(at(0), {0.6, 0.6, 0.6, nan, 0.6, 0.6});
  const CalendarSeries b = series(at(1), {1.2, nan, 1.2, 1.2, 1.2, 1.2});
  const CalendarSeries c = series(at(0), {0.0, 0.3, 0.3, 0.3});
  raingen::weighting::RecordsPresent made{};
  const CalendarSeries any =
      raingen::weighting::weighted_record("w", {&a, &b, &c}, {1, 2, 2}, raingen::weighting::Presence::any, &made);
  EXPECT_EQ(any.start(), at(0));
  ASSERT_EQ(any.size(), 7u);
  const double expected[] = {
      0.6 / 1.25,                 // 0: A and C present, B not yet: (0.6 + 0/4) / 1.25
      (0.6 + 0.3 + 0.075) / 1.5,  // 1: all three
      (0.6 + 0.075) / 1.25,       // 2: B missing
      (0.3 + 0.075) / 0.5,        // 3: A missing
      (0.6 + 0.3) / 1.25,         // 4: C ended
      (0.6 + 0.3) / 1.25,         // 5
      1.2,                        // 6: B alone
  };
  for (std::size_t k = 0; k < 7; ++k) EXPECT_NEAR(any.depth(k), expected[k], 1e-12) << k;
  EXPECT_EQ(made, (raingen::weighting::RecordsPresent{0, 1, 5, 1}));
  // Where all must be present: intervals 1-3 of the common span, two of them missing.
  const CalendarSeries all =
      raingen::weighting::weighted_record("w", {&a, &b, &c}, {1, 2, 2}, raingen::weighting::Presence::all, &made);
  EXPECT_EQ(all.start(), at(1));
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all.depth(0), any.depth(1));
  EXPECT_FALSE(all.present(1));
  EXPECT_FALSE(all.present(2));
  EXPECT_EQ(made, (raingen::weighting::RecordsPresent{2, 0, 0, 1}));
  // A gap at every gauge is a gap of the site; a station at distance 0 is taken alone either way.
  const CalendarSeries gaps = series(at(0), {nan, nan});
  const CalendarSeries none = raingen::weighting::weighted_record("w", {&gaps, &gaps, &gaps}, {1, 2, 2},
                                                                  raingen::weighting::Presence::any, &made);
  EXPECT_FALSE(none.present(0) || none.present(1));
  EXPECT_EQ(made, (raingen::weighting::RecordsPresent{2, 0, 0, 0}));
  const CalendarSeries alone =
      raingen::weighting::weighted_record("w", {&a, &b, nullptr}, {3, 0, 0}, raingen::weighting::Presence::any, &made);
  EXPECT_EQ(alone.start(), b.start());
  EXPECT_EQ(made, (raingen::weighting::RecordsPresent{1, 5, 0, 0}));
}

}  // namespace
