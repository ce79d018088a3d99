// Rain events on a hand-made series: the gap rule (a dry run shorter than the gap joins, one as
// long splits), an event across midnight kept whole, one across the end of the series censored,
// a lost reading taken as dry and one beside a long run of missing intervals censored, the minimum
// depth, and the summary's exceedance values.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

#include <date/date.h>

#include "stats/diurnal.h"
#include "stats/events.h"

namespace {

using namespace raingen::stats;
constexpr double gap = std::numeric_limits<double>::quiet_NaN();

// 290 intervals from 2001-01-01 00:00 (midnight between intervals 95 and 96), dry but for:
//   30-33 0.5 mm each and 51 1.0 mm: one event at a 6-hour gap (17 dry intervals between), 3 mm;
//   90-97 0.25 mm each, 0.75 at 95: an event across midnight, 2.5 mm;
//   130 0.5 mm: below the minimum depth;
//   200-201 1.0 mm each: 2 mm;
//   280 3.0 mm: 9 dry intervals before the series ends, fewer than the gap: censored.
std::vector<double> made() {
  std::vector<double> d(290, 0.0);
  for (int k = 30; k <= 33; ++k) d[k] = 0.5;
  d[51] = 1.0;
  for (int k = 90; k <= 97; ++k) d[k] = 0.25;
  d[95] = 0.75;
  d[130] = 0.5;
  d[200] = d[201] = 1.0;
  d[280] = 3.0;
  return d;
}

raingen::gauge::CalendarSeries series(std::vector<double> depths) {
  return raingen::gauge::CalendarSeries("s", date::sys_days{date::year{2001} / 1 / 1}, std::move(depths));
}

TEST(Events, GapRuleMidnightAndTheSeriesEnd) {
  const Events e = events_of(series(made()), {6, 1});
  ASSERT_EQ(e.events.size(), 3u);
  const struct {
    std::size_t first, last;
    double depth, peak, hours;
  } expected[] = {{30, 51, 3.0, 1.0, 5.5}, {90, 97, 2.5, 0.75, 2.0}, {200, 201, 2.0, 1.0, 0.5}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(e.events[i].first, expected[i].first) << i;
    EXPECT_EQ(e.events[i].last, expected[i].last) << i;
    EXPECT_DOUBLE_EQ(e.events[i].depth, expected[i].depth) << i;
    EXPECT_DOUBLE_EQ(e.events[i].peak, expected[i].peak) << i;
    EXPECT_DOUBLE_EQ(e.events[i].duration_hours(), expected[i].hours) << i;
  }
  EXPECT_EQ(e.censored, 1u);  // the one at the end
  // 38 dry intervals between the first two; 102 between the second and third (the small one
  // between counts as dry time).
  EXPECT_EQ(e.between_hours, (std::vector<double>{9.5, 25.5}));
  EXPECT_DOUBLE_EQ(*e.per_year(), 3 / (290 / (365.2425 * 96)));

  // A gap of 4 hours (16 intervals) splits the first event: 30-33 (2 mm) and 51 (1 mm, kept).
  const Events split = events_of(series(made()), {4, 1});
  ASSERT_EQ(split.events.size(), 4u);
  EXPECT_EQ(split.events[0].last, 33u);
  EXPECT_EQ(split.events[1].first, 51u);
  EXPECT_DOUBLE_EQ(split.between_hours.front(), 17 / 4.0);
  // Exactly the gap splits: 17 dry intervals are a gap of 4.25 hours, not of 4.5.
  EXPECT_EQ(events_of(series(made()), {4.25, 1}).events.size(), 4u);
  EXPECT_EQ(events_of(series(made()), {4.5, 1}).events.size(), 3u);
  // No minimum: the 0.5 mm shower counts, and the time between runs through it.
  const Events all = events_of(series(made()), {6, 0});
  EXPECT_EQ(all.events.size(), 4u);
  EXPECT_EQ(all.between_hours, (std::vector<double>{9.5, 32 / 4.0, 69 / 4.0}));

  // A missing interval 20 after the shower, 49 before the 2 mm event: a lost reading, dry time
  // like the rest; an event in the first 6 hours of the series is censored.
  std::vector<double> holed = made();
  holed[150] = gap;
  holed[3] = 2.0;
  const Events h = events_of(series(holed), {6, 1});
  ASSERT_EQ(h.events.size(), 3u);
  EXPECT_EQ(h.censored, 2u);
  EXPECT_EQ(h.between_hours, (std::vector<double>{9.5, 25.5}));
  EXPECT_DOUBLE_EQ(h.years, 290 / (365.2425 * 96));
  // 30 missing intervals (140-169), longer than the gap: the shower 10 before them is censored
  // (whatever its depth, its extent is unknown), the 2 mm event 30 after them kept with no time
  // before it.
  for (int k = 140; k < 170; ++k) holed[k] = gap;
  const Events cut = events_of(series(holed), {6, 1});
  ASSERT_EQ(cut.events.size(), 3u);
  EXPECT_EQ(cut.censored, 3u);
  EXPECT_EQ(cut.between_hours, (std::vector<double>{9.5}));
  EXPECT_DOUBLE_EQ(cut.years, 260 / (365.2425 * 96));

  // A logger that loses one reading an hour: the events a hand count gives, none censored.
  std::vector<double> lossy = made();
  for (std::size_t k = 3; k < 270; k += 4)
    if (lossy[k] == 0) lossy[k] = gap;
  const Events l = events_of(series(lossy), {6, 1});
  EXPECT_EQ(l.events.size(), 3u);
  EXPECT_EQ(l.censored, 1u);  // the one at the end
}

TEST(Events, SummaryMeansAndExceedanceValues) {
  const EventSummary s = summarize(events_of(series(made()), {6, 1}));
  EXPECT_EQ(s.count, 3u);
  EXPECT_EQ(s.censored, 1u);
  EXPECT_DOUBLE_EQ(*s.mean[0], 7.5 / 3);   // depth
  EXPECT_DOUBLE_EQ(*s.mean[1], 8.0 / 3);   // duration
  EXPECT_DOUBLE_EQ(*s.mean[2], 2.75 / 3);  // peak
  EXPECT_DOUBLE_EQ(*s.mean[3], 35.0 / 2);  // between
  // Depths 2, 2.5, 3: the value 90% reach is the 10% quantile, 2 + 0.2 x 0.5 = 2.1; 50% reach
  // the median 2.5; 70% reach 2 + 0.6 x 0.5 = 2.3; shares below 1/3 (0.3 on) have no value.
  EXPECT_DOUBLE_EQ(s.at_share[0][0], 2.1);
  EXPECT_DOUBLE_EQ(s.at_share[0][1], 2.3);
  EXPECT_DOUBLE_EQ(s.at_share[0][2], 2.5);
  EXPECT_TRUE(std::isnan(s.at_share[0][3]));
  const EventSummary none = summarize(events_of(series(std::vector<double>(96, 0.0)), {6, 1}));
  EXPECT_EQ(none.count, 0u);
  EXPECT_FALSE(none.mean[0]);
  EXPECT_TRUE(std::isnan(none.at_share[0][0]));
}

// The hours of the made series: hour 7 holds intervals 28-31 of each of the three whole days
// (30 and 31 wet, 0.5 mm each), hour 0 those of day 1-3 and the two of day 4 (96 and 97 wet,
// 0.25 mm each). Its 17 wet intervals have intensities 1 (7 of them), 2 (5), 3, 4 (3) and 12 mm/h.
TEST(Diurnal, HoursAndIntensitiesWorkedByHand) {
  const Diurnal d = diurnal_of(series(made()));
  EXPECT_DOUBLE_EQ(d.mean_depth[7], 4 * 1.0 / 12);
  EXPECT_DOUBLE_EQ(d.wet_share[7], 2.0 / 12);
  EXPECT_DOUBLE_EQ(d.mean_depth[0], 4 * 0.5 / 14);
  EXPECT_DOUBLE_EQ(d.wet_share[0], 2.0 / 14);
  EXPECT_DOUBLE_EQ(d.mean_depth[2], 4 * 2.0 / 12);  // 200 and 201 (1 mm each) start at 02:00 of day 3
  EXPECT_DOUBLE_EQ(d.mean_depth[3], 0);
  // A series from 23:00 on its first day puts its first four intervals in hour 23.
  const Diurnal late = diurnal_of(raingen::gauge::CalendarSeries(
      "s", date::sys_days{date::year{2001} / 1 / 1} + std::chrono::hours(23), std::vector<double>{4, 0, 0, 0, 1}));
  EXPECT_DOUBLE_EQ(late.mean_depth[23], 4.0);
  EXPECT_DOUBLE_EQ(late.wet_share[0], 1.0);
  EXPECT_TRUE(std::isnan(late.mean_depth[5]));

  const auto at = intensities_at_shares(series(made()));
  EXPECT_DOUBLE_EQ(at[0], 1.0);    // share 0.9: the 10% quantile, position 1.6
  EXPECT_DOUBLE_EQ(at[2], 2.0);    // the median
  EXPECT_DOUBLE_EQ(at[5], 4.0);    // share 0.1: position 14.4, between two of 4
  EXPECT_TRUE(std::isnan(at[6]));  // 0.05 of 17 is less than one interval
}

}  // namespace
