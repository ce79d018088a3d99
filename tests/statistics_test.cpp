// Statistics of the report on short series worked out by hand: blocks with gaps, moments, the
// annual and monthly summaries, spells that touch a gap, and the weighted record against the
// program's own weighting.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <vector>

#include "generator/shared.h"
#include "stats/blocks.h"
#include "stats/calendar_summaries.h"
#include "stats/daily_distributions.h"
#include "stats/moments.h"
#include "stats/series_statistics.h"
#include "stats/spells.h"
#include "stats/statistics_csv.h"
#include "weighting/weighted_record.h"

namespace {

using namespace raingen::stats;
using namespace raingen::weighting;
using raingen::calendar::TimePoint;
using raingen::gauge::CalendarSeries;
using std::chrono::minutes;
constexpr double gap = std::numeric_limits<double>::quiet_NaN();

TimePoint at(int y, unsigned m, unsigned d, int minute = 0) {
  return date::sys_days{date::year{y} / m / d} + minutes{minute};
}

CalendarSeries series(TimePoint start, const std::vector<double>& values, std::string name = "s") {
  CalendarSeries s(std::move(name), start, 0);
  for (double v : values) s.push_back(v);
  return s;
}

Blocks days(TimePoint start, std::vector<double> depths) { return Blocks{start, minutes{1440}, std::move(depths)}; }

// NaN-aware comparison of block depths.
void expect_depths(const Blocks& b, const std::vector<double>& expected) {
  ASSERT_EQ(b.size(), expected.size());
  for (std::size_t k = 0; k < expected.size(); ++k) {
    if (std::isnan(expected[k]))
      EXPECT_TRUE(std::isnan(b.depths[k])) << "block " << k;
    else
      EXPECT_DOUBLE_EQ(b.depths[k], expected[k]) << "block " << k;
  }
}

TEST(Blocks, AlignedToMidnightWithMinComplete) {
  // 00:30 onwards: 1, gap, 2, 3, 4, gap, gap, gap, 5. Hour 0 holds 1 of its 4 values (two lie
  // before the series), hour 1 three (2, 3, 4: one missing value), hour 2 one (the last lies
  // after the series).
  const CalendarSeries s = series(at(2001, 3, 1, 30), {1, gap, 2, 3, 4, gap, gap, gap, 5});
  const Blocks full = aggregate(s, 60, 100);
  EXPECT_EQ(full.start, at(2001, 3, 1));
  expect_depths(full, {gap, gap, gap});
  expect_depths(aggregate(s, 60, 75), {gap, 9, gap});
  expect_depths(aggregate(s, 60, 25), {1, 9, 5});
  expect_depths(aggregate(s, 60, 0), {1, 9, 5});
  expect_depths(aggregate(s, 15, 100), {1, gap, 2, 3, 4, gap, gap, gap, 5});
  const Blocks six = aggregate(s, 360, 1);
  EXPECT_EQ(six.start, at(2001, 3, 1));
  expect_depths(six, {15});
  // Across midnight: the day blocks start at the midnight before the series.
  const Blocks day = aggregate(series(at(2001, 3, 1, 1425), {2, 3}), 1440, 1);
  EXPECT_EQ(day.start, at(2001, 3, 1));
  expect_depths(day, {2, 3});
  // Before 1970 the alignment still falls on midnight.
  EXPECT_EQ(aggregate(series(at(1960, 5, 5, 375), {1}), 360, 1).start, at(1960, 5, 5, 360));
}

TEST(Moments, HandWorkedBlocks) {
  // Present: 0 2 4 0 6, mean 2.4; squared deviations sum to 27.2, cubed to 23.04.
  const Blocks b{at(2001, 1, 1), minutes{60}, {0, 2, gap, 4, 0, 6}};
  EXPECT_DOUBLE_EQ(*mean(b), 2.4);
  EXPECT_DOUBLE_EQ(*variance(b), 27.2 / 4);
  EXPECT_DOUBLE_EQ(*coefficient_of_variation(b), std::sqrt(6.8) / 2.4);
  EXPECT_DOUBLE_EQ(*skewness(b), (23.04 / 5) / std::pow(27.2 / 5, 1.5));
  // Pairs both present: (0,2), (4,0), (0,6); the gap breaks (2,4). r = -sqrt(4/7).
  EXPECT_DOUBLE_EQ(*lag1_autocorrelation(b), -std::sqrt(4.0 / 7.0));
  EXPECT_DOUBLE_EQ(*probability_dry(b, 0), 0.4);
  EXPECT_DOUBLE_EQ(*probability_dry(b, 2), 0.6);

  // Statistics that have no value.
  const Blocks one{at(2001, 1, 1), minutes{60}, {3, gap}};
  EXPECT_DOUBLE_EQ(*mean(one), 3);
  EXPECT_FALSE(variance(one) || coefficient_of_variation(one) || skewness(one) || lag1_autocorrelation(one));
  const Blocks dry{at(2001, 1, 1), minutes{60}, {0, 0, 0}};
  EXPECT_EQ(*variance(dry), 0);
  EXPECT_FALSE(coefficient_of_variation(dry) || skewness(dry) || lag1_autocorrelation(dry));
  const Blocks none{at(2001, 1, 1), minutes{60}, {gap}};
  EXPECT_FALSE(mean(none) || probability_dry(none, 0));
}

TEST(CalendarSummaries, YearsBelowNinetyPercentLeftOut) {
  // 2001: 36 of 365 days left out, 329 >= 328.5 present: counts. 2002: 37 left out: does not.
  // 2003: ten days only.
  std::vector<double> d(365 + 365 + 10, 1.0);
  for (int k = 0; k < 36; ++k) d[static_cast<std::size_t>(k)] = gap;
  for (int k = 365; k < 365 + 37; ++k) d[static_cast<std::size_t>(k)] = gap;
  d[100] = 50;
  d[500] = 70;
  d[735] = 90;
  const Blocks b = days(at(2001, 1, 1), d);
  const std::vector<AnnualMaximum> maxima = annual_maxima(b);
  ASSERT_EQ(maxima.size(), 1u);
  EXPECT_EQ(maxima[0].year, 2001);
  EXPECT_EQ(maxima[0].depth, 50);
  EXPECT_EQ(*annual_max_mean(b), 50);
  d[365] = 1.0;  // now 2002 has 329 days
  EXPECT_EQ(*annual_max_mean(days(at(2001, 1, 1), d)), 60);
  EXPECT_FALSE(annual_max_mean(days(at(2003, 1, 1), {1, 2, 3})));

  // Return periods, largest first: (n + 1) / rank.
  const std::vector<CurvePoint> t = return_periods({{2001, 10}, {2002, 30}, {2003, 20}});
  ASSERT_EQ(t.size(), 3u);
  EXPECT_DOUBLE_EQ(t[0].x, 4);
  EXPECT_EQ(t[0].y, 30);
  EXPECT_DOUBLE_EQ(t[2].x, 4.0 / 3);
  EXPECT_EQ(t[2].y, 10);
}

// The annual maxima of blocks, taken by runs of a year, against a year looked up for every block,
// and the moments of a level taken in two sweeps against each taken in its own words: random
// series with gaps of every level, starting at any interval of a leap year or a common one.
TEST(CalendarSummaries, AnnualMaximaAndMomentsAgainstTheirDefinitions) {
  std::mt19937_64 engine(5);
  for (int trial = 0; trial < 60; ++trial) {
    const TimePoint start =
        at(2003 + trial % 3, 1 + static_cast<unsigned>(trial % 12), 1, 15 * static_cast<int>(engine() % 96));
    std::vector<double> v(96 * (200 + engine() % 900));
    const double missing = trial % 4 == 0 ? 0.0 : 0.02 * static_cast<double>(trial % 4);
    for (double& x : v) {
      x = engine() % 7 == 0 ? static_cast<double>(engine() % 500) / 100 : 0;
      if (static_cast<double>(engine() % 1000) < 1000 * missing) x = gap;
    }
    const CalendarSeries s = series(start, v);
    for (int minutes : aggregation_levels) {
      const Blocks b = aggregate(s, minutes, 80);
      if (minutes == 15) {
        ASSERT_EQ(b.size(), v.size());
        for (std::size_t k = 0; k < v.size(); ++k)
          ASSERT_TRUE(std::isnan(v[k]) ? b.present(k) == false : b.depths[k] == v[k]);
      }
      std::map<int, std::pair<long, double>> years;  // present, largest
      for (std::size_t k = 0; k < b.size(); ++k) {
        if (!b.present(k)) continue;
        auto& [present, largest] =
            years
                .try_emplace(static_cast<int>(date::year_month_day{date::floor<date::days>(b.block_start(k))}.year()),
                             0L, -1.0)
                .first->second;
        ++present;
        largest = std::max(largest, b.depths[k]);
      }
      std::vector<AnnualMaximum> expected;
      for (const auto& [year, tally] : years) {
        const double in_year =
            (date::sys_days{date::year{year + 1} / 1 / 1} - date::sys_days{date::year{year} / 1 / 1}) / b.length;
        if (static_cast<double>(tally.first) >= 0.9 * in_year) expected.push_back({year, tally.second});
      }
      const std::vector<AnnualMaximum> found = annual_maxima(b);
      ASSERT_EQ(found.size(), expected.size()) << trial << " " << minutes;
      for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].year, expected[i].year);
        EXPECT_EQ(found[i].depth, expected[i].depth);
      }

      double n = 0, sum = 0, dry = 0;
      for (double x : b.depths)
        if (!std::isnan(x)) ++n, sum += x, dry += x <= 0.1;
      const double m = sum / n;
      double m2 = 0, m3 = 0;
      for (double x : b.depths)
        if (!std::isnan(x)) m2 += (x - m) * (x - m), m3 += (x - m) * (x - m) * (x - m);
      const Moments moments = moments_of(b, 0.1);
      EXPECT_EQ(*mean(moments), m);
      EXPECT_EQ(*variance(moments), m2 / (n - 1));
      EXPECT_EQ(*coefficient_of_variation(moments), std::sqrt(m2 / (n - 1)) / m);
      EXPECT_EQ(*skewness(moments), (m3 / n) / std::pow(m2 / n, 1.5));
      EXPECT_EQ(*probability_dry(moments), dry / n);
      EXPECT_EQ(*probability_dry(b, 0.1), dry / n);
    }
  }
}

TEST(CalendarSummaries, MonthlyTotals) {
  // January 2001 1 mm a day (31); February with 2 of 28 days left out (26 >= 25.2: counts, 26 mm);
  // March 2001 cut after day 27 (27 < 27.9: left out); a gap to January 2002 at 2 mm a day.
  std::vector<double> d(31, 1.0);
  d.insert(d.end(), 28, 1.0);
  d[31] = d[32] = gap;
  d.insert(d.end(), 27, 5.0);
  d.insert(d.end(), 365 - 31 - 28 - 27, gap);
  d.insert(d.end(), 31, 2.0);
  const std::array<double, 12> m = mean_monthly_totals(days(at(2001, 1, 1), d));
  EXPECT_DOUBLE_EQ(m[0], (31 + 62) / 2.0);
  EXPECT_DOUBLE_EQ(m[1], 26);
  for (std::size_t k = 2; k < 12; ++k) EXPECT_TRUE(std::isnan(m[k])) << k;
}

TEST(Spells, RunsTouchingAGapOrAnEndAreNotCounted) {
  // W D D W D W | D W W D D D  (| a left-out day; D below the threshold 0.5)
  const Blocks b = days(at(2001, 1, 1), {5, 0, 0.3, 5, 0, 5, gap, 0, 5, 5, 0, 0, 0});
  const Spells s = closed_spells(b, 0.5);
  EXPECT_EQ(s.dry, (std::vector<int>{2, 1}));
  EXPECT_EQ(s.wet, (std::vector<int>{1, 2}));
  EXPECT_DOUBLE_EQ(*mean_length(s.dry), 1.5);
  // With threshold 0 the 0.3 mm day is wet: W D W W D W | D W W D D D
  EXPECT_EQ(closed_spells(b, 0).dry, (std::vector<int>{1, 1}));
  EXPECT_EQ(closed_spells(b, 0).wet, (std::vector<int>{2, 2}));
  EXPECT_FALSE(mean_length(closed_spells(days(at(2001, 1, 1), {0, 0, 5}), 0).dry));

  const std::vector<CurvePoint> survival = spell_survival({2, 1, 4, 1});
  ASSERT_EQ(survival.size(), 4u);
  EXPECT_DOUBLE_EQ(survival[0].y, 1.0);
  EXPECT_DOUBLE_EQ(survival[1].y, 0.5);
  EXPECT_DOUBLE_EQ(survival[2].y, 0.25);
  EXPECT_DOUBLE_EQ(survival[3].y, 0.25);
}

TEST(DailyDistributions, ExceedanceAndWettestDay) {
  const std::vector<CurvePoint> e = exceedance_curve(days(at(2001, 1, 1), {3, gap, 0, 5, 0}));
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[0].x, 5);
  EXPECT_DOUBLE_EQ(e[0].y, 0.25);
  EXPECT_EQ(e[1].x, 3);
  EXPECT_DOUBLE_EQ(e[3].y, 1.0);

  // Two days from noon of 1 March: the second (2 March) is wetter; its last six hours are not in
  // the series.
  std::vector<double> v(48 + 72, 0.0);
  v[10] = 4;
  v[60] = 3;
  v[61] = gap;
  v[62] = 2;
  const CalendarSeries s = series(at(2001, 3, 1, 720), v);
  const auto w = wettest_day(aggregate(s, 1440, 50), s);
  ASSERT_TRUE(w);
  EXPECT_EQ(w->start, at(2001, 3, 2));
  EXPECT_EQ(w->total, 5);
  ASSERT_EQ(w->depths.size(), 96u);
  EXPECT_EQ(w->depths[12], 3);
  EXPECT_TRUE(std::isnan(w->depths[13]));
  EXPECT_TRUE(std::isnan(w->depths[95]));
}

TEST(SeriesStatistics, TableAndCsv) {
  // Two days of 15-minute values, one rain interval a day.
  std::vector<double> v(192, 0.0);
  v[4] = 0.5;
  v[100] = 1.5;
  const SeriesStatistics s = compute_statistics(series(at(2001, 1, 1), v, "record:A,B"), {100, 0, {}, {}});
  ASSERT_EQ(s.levels.size(), 4u);
  EXPECT_DOUBLE_EQ(*s.level(1440).value(Statistic::mean), 1.0);
  EXPECT_DOUBLE_EQ(*s.level(1440).value(Statistic::variance), 0.5);
  EXPECT_DOUBLE_EQ(*s.level(60).value(Statistic::probability_dry), 46.0 / 48);
  EXPECT_FALSE(s.level(1440).value(Statistic::lag1_autocorrelation));  // a single pair
  const std::string csv = statistics_csv({&s});
  EXPECT_EQ(
      csv.substr(0, csv.find('\n', 60) + 1),
      "series,aggregation_minutes,statistic,value,x,lower,upper\n\"record:A,B\",15,mean,0.010416666666666666,,,\n");
  EXPECT_NE(csv.find("\n\"record:A,B\",1440,lag1_autocorrelation,,,,\n"), std::string::npos);
  EXPECT_NE(csv.find("\n\"record:A,B\",1440,mean_wet_spell_days,,,,\n"), std::string::npos);
  EXPECT_EQ(csv.find(",60,mean_dry_spell_days"), std::string::npos);
  // 7 rows at three levels, 9 at the daily level, and the header.
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 7 * 3 + 9 + 1);
}

TEST(WeightedRecord, DistancesOneTwoTwoOverTheCommonSpan) {
  // Weights 1, 4, 4: (g1 + g2/4 + g3/4) / 1.5. Record 2 starts 15 minutes later, record 3 ends
  // 15 minutes earlier; a gap in record 1 is a gap of the site.
  const CalendarSeries r1 = series(at(2001, 1, 1), {9, 3, gap, 6, 9});
  const CalendarSeries r2 = series(at(2001, 1, 1, 15), {4, 4, 4, 8});
  const CalendarSeries r3 = series(at(2001, 1, 1), {1, 2, 2, 0});
  const CalendarSeries site = weighted_record("weighted-record", {&r1, &r2, &r3}, {1, 2, 2});
  EXPECT_EQ(site.start(), at(2001, 1, 1, 15));
  ASSERT_EQ(site.size(), 3u);
  EXPECT_DOUBLE_EQ(site.depth(0), (3 + 1 + 0.5) / 1.5);
  EXPECT_FALSE(site.present(1));
  EXPECT_DOUBLE_EQ(site.depth(2), (6 + 1 + 0) / 1.5);
  const std::array<double, 3> shares = station_shares({1, 2, 2});
  EXPECT_DOUBLE_EQ(shares[0], 2.0 / 3);
  EXPECT_DOUBLE_EQ(shares[1], 1.0 / 6);

  // A station at distance 0 is the site's record alone: the first such, the others not needed.
  const CalendarSeries alone = weighted_record("w", {nullptr, &r2, nullptr}, {5, 0, 0});
  EXPECT_EQ(alone.start(), r2.start());
  EXPECT_EQ(alone.depths(), r2.depths());
  EXPECT_EQ(station_shares({5, 0, 0}), (std::array<double, 3>{0, 1, 0}));
  EXPECT_THROW(weighted_record("w", {&r1, nullptr, &r3}, {1, 2, 2}), std::invalid_argument);
  // Records that do not overlap give an empty series.
  const CalendarSeries later = series(at(2002, 1, 1), {1});
  EXPECT_TRUE(weighted_record("w", {&r1, &r2, &later}, {1, 2, 3}).empty());
}

TEST(WeightedRecord, EqualsTheProgramsWeightingToTheLastBit) {
  // Values a station file can hold (two decimals, read into 32-bit floats), distances as
  // INPUT.TXT gives them; the program rounds its site value to a 32-bit float once.
  const std::array<std::array<int, 3>, 5> distance_sets{{{4, 7, 11}, {1, 2, 2}, {3, 3, 3}, {-5, 12, 999}, {0, 4, 6}}};
  for (const auto& distances : distance_sets) {
    raingen::reset_shared_state();
    raingen::RunSettings.day_count = 1;
    std::array<CalendarSeries, 3> records;
    for (int s = 1; s <= 3; ++s) {
      raingen::StationTable(s).distance = distances[static_cast<std::size_t>(s - 1)];
      records[static_cast<std::size_t>(s - 1)] = CalendarSeries("r", at(2001, 1, 1), 96);
      for (int t = 1; t <= 96; ++t) {
        const float v = static_cast<float>(((s * 37 + t * 11) % 250) / 100.0);
        raingen::StationGrid(s, 1, t) = v;
        records[static_cast<std::size_t>(s - 1)].set_depth(static_cast<std::size_t>(t - 1), v);
      }
    }
    raingen::weight_stations();
    const CalendarSeries site = weighted_record("w", {&records[0], &records[1], &records[2]}, distances);
    for (int t = 1; t <= 96; ++t)
      ASSERT_EQ(static_cast<float>(site.depth(static_cast<std::size_t>(t - 1))), raingen::SiteSeries(1, t))
          << distances[0] << " " << distances[1] << " " << distances[2] << " interval " << t;
  }
}

}  // namespace
