// A series by month and season, worked out by hand: monthly totals and wet-day shares of the
// months that count, each season's mean, wet-day share, 99th percentiles of wet 15-minute and
// 1-hour depths and largest depths, blocks left out by a gap, and a season the series never meets.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "report/season_section.h"
#include "stations/seasons.h"
#include "stats/season_figures.h"
#include "stats/series_statistics.h"

namespace {

using namespace raingen::stats;
using raingen::calendar::TimePoint;
using raingen::gauge::CalendarSeries;
constexpr double gap = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t per_day = 96;

TimePoint day(int y, unsigned m, unsigned d) { return date::sys_days{date::year{y} / m / d}; }

SeasonGrouping january_and_the_rest() {
  SeasonGrouping g;
  g.count = 3;  // January, February to December, and a third season of no month
  g.season_of.fill(1);
  g.season_of[0] = 0;
  return g;
}

// 31 January to 3 February 2001: January's one day holds 2.0, 1.0 and 0.5 mm in its intervals 0, 1
// and 4; 1 February 0.2 mm at interval 0; 2 February 4.0 mm at interval 40 and a gap at interval
// 8 (the day and that hour left out at --min-complete 100); 3 February dry.
CalendarSeries four_days() {
  std::vector<double> v(4 * per_day, 0.0);
  v[0] = 2.0, v[1] = 1.0, v[4] = 0.5;
  v[per_day] = 0.2;
  v[2 * per_day + 8] = gap, v[2 * per_day + 40] = 4.0;
  return CalendarSeries("s", day(2001, 1, 31), std::move(v));
}

TEST(SeasonFigures, EachSeasonWorkedByHand) {
  const SeriesStatistics statistics = compute_statistics(four_days(), {});
  const CalendarFigures f = calendar_figures(statistics, january_and_the_rest(), 0.0);
  ASSERT_EQ(f.seasons.size(), 3u);
  const SeasonFigures& jan = f.seasons[0];
  EXPECT_EQ(jan.days, 1);
  EXPECT_DOUBLE_EQ(*jan.mean_daily, 3.5);
  EXPECT_DOUBLE_EQ(*jan.wet_day_share, 1.0);
  // Wet 15-minute depths 0.5, 1, 2: position (3 - 1) 0.99 = 1.98, 1 + 0.98 (2 - 1).
  EXPECT_DOUBLE_EQ(*jan.wet_15min_p99, 1.98);
  EXPECT_DOUBLE_EQ(*jan.largest_15min, 2.0);
  // Hours 3.0 (intervals 0-3) and 0.5 (interval 4): 0.5 + 0.99 (3 - 0.5).
  EXPECT_DOUBLE_EQ(*jan.wet_hour_p99, 0.5 + 0.99 * 2.5);
  EXPECT_DOUBLE_EQ(*jan.largest_hour, 3.0);

  const SeasonFigures& rest = f.seasons[1];
  EXPECT_EQ(rest.days, 2);  // 1 and 3 February; 2 February left out by its gap
  EXPECT_DOUBLE_EQ(*rest.mean_daily, 0.1);
  EXPECT_DOUBLE_EQ(*rest.wet_day_share, 0.5);
  // The gap leaves its hour out, not 2 February's other intervals: wet 0.2 and 4.0 at both levels.
  EXPECT_DOUBLE_EQ(*rest.wet_15min_p99, 0.2 + 0.99 * 3.8);
  EXPECT_DOUBLE_EQ(*rest.wet_hour_p99, 0.2 + 0.99 * 3.8);
  EXPECT_DOUBLE_EQ(*rest.largest_15min, 4.0);
  EXPECT_DOUBLE_EQ(*rest.largest_hour, 4.0);

  const SeasonFigures& none = f.seasons[2];
  EXPECT_EQ(none.days, 0);
  EXPECT_FALSE(none.mean_daily || none.wet_day_share || none.wet_15min_p99 || none.largest_hour);
  // No month of the four days counts (January has 1 of 31 days, February 2 of 28).
  for (std::size_t m = 0; m < 12; ++m) EXPECT_FALSE(f.monthly_totals[m] || f.monthly_wet_shares[m]) << m;
}

// January and February 2001 whole: 1.0 mm on January's odd days (16 of 31 wet), 0.5 mm every
// February day but the 10th, left out by a gap (27 of 28 present: the month counts).
TEST(SeasonFigures, MonthsThatCountAndTheDryThreshold) {
  std::vector<double> v(59 * per_day, 0.0);
  for (std::size_t d = 0; d < 31; d += 2) v[d * per_day + 20] = 1.0;
  for (std::size_t d = 31; d < 59; ++d) v[d * per_day + 30] = 0.5;
  v[(31 + 9) * per_day + 5] = gap;
  const SeriesStatistics statistics = compute_statistics(CalendarSeries("s", day(2001, 1, 1), std::move(v)), {});
  const CalendarFigures f = calendar_figures(statistics, january_and_the_rest(), 0.0);
  EXPECT_DOUBLE_EQ(*f.monthly_totals[0], 16.0);
  EXPECT_DOUBLE_EQ(*f.monthly_wet_shares[0], 16.0 / 31.0);
  EXPECT_DOUBLE_EQ(*f.monthly_totals[1], 13.5);
  EXPECT_DOUBLE_EQ(*f.monthly_wet_shares[1], 1.0);
  for (std::size_t m = 2; m < 12; ++m) EXPECT_FALSE(f.monthly_totals[m] || f.monthly_wet_shares[m]) << m;
  EXPECT_DOUBLE_EQ(*f.seasons[0].mean_daily, 16.0 / 31.0);
  EXPECT_DOUBLE_EQ(*f.seasons[1].mean_daily, 0.5);

  // At a dry threshold of 0.5 mm February's days are dry and it has no wet depth at all; its
  // largest depths stay.
  const CalendarFigures dry = calendar_figures(statistics, january_and_the_rest(), 0.5);
  EXPECT_DOUBLE_EQ(*dry.monthly_wet_shares[1], 0.0);
  EXPECT_DOUBLE_EQ(*dry.seasons[1].wet_day_share, 0.0);
  EXPECT_FALSE(dry.seasons[1].wet_15min_p99 || dry.seasons[1].wet_hour_p99);
  EXPECT_DOUBLE_EQ(*dry.seasons[1].largest_15min, 0.5);
  EXPECT_DOUBLE_EQ(*dry.seasons[0].wet_15min_p99, 1.0);
}

// A series starting at 06:00: its days are still blocks from midnight, and a block belongs to the
// month it begins in (the 15-minute interval from 23:45 on 31 January is January's).
TEST(SeasonFigures, BlocksBelongToTheMonthTheyBeginIn) {
  std::vector<double> v(2 * per_day, 0.0);
  const std::size_t last_of_january = per_day - 24 - 1;  // 23:45 on 31 January, from 06:00
  v[last_of_january] = 3.0;
  v[last_of_january + 1] = 7.0;  // 00:00 on 1 February
  const CalendarSeries s("s", day(2001, 1, 31) + std::chrono::hours{6}, std::move(v));
  const CalendarFigures f = calendar_figures(compute_statistics(s, {0.0, 0.0, {}, {}}), january_and_the_rest(), 0.0);
  EXPECT_DOUBLE_EQ(*f.seasons[0].largest_15min, 3.0);
  EXPECT_DOUBLE_EQ(*f.seasons[1].largest_15min, 7.0);
}

TEST(SeasonFigures, GroupingOfTheSeasonsGiven) {
  using raingen::stations::parse_seasons;
  const SeasonGrouping winter_summer = raingen::report::grouping_of(parse_seasons("11-4,5-10"));
  EXPECT_EQ(winter_summer.count, 2u);
  const std::array<std::size_t, 12> expected{0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0};
  EXPECT_EQ(winter_summer.season_of, expected);
  // None declared: quarters from December.
  const auto quarters = raingen::report::table_seasons({});
  ASSERT_EQ(quarters.size(), 4u);
  EXPECT_EQ(quarters[0].name(), "Dec-Feb");
  EXPECT_EQ(raingen::report::grouping_of(quarters).season_of[11], 0u);
}

}  // namespace
