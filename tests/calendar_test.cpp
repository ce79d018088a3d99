// The tools' one calendar: intervals and days on hand-worked times before and after 1970 and over
// many random ones, the formatters, the dates the calendar has, and the one --start grammar.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <string>

#include "calendar/civil_clock.h"
#include "calendar/interval.h"
#include "calendar/start_option.h"
#include "calendar/time_text.h"
#include "common/tool_error.h"

namespace {

using namespace raingen::calendar;
using raingen::common::ToolError;
using raingen::common::UsageError;

TimePoint at(int y, unsigned m, unsigned d, int minute_of_day = 0) {
  return Day{date::year{y} / m / d} + Minutes{minute_of_day};
}

TEST(Calendar, IntervalsAndDaysOnHandWorkedTimes) {
  const TimePoint epoch = at(1970, 1, 1);
  EXPECT_EQ(minute_number(epoch), 0);
  EXPECT_EQ(interval_beginning(epoch), 0);
  EXPECT_EQ(interval_beginning(epoch + Minutes{14}), 0);
  EXPECT_EQ(interval_beginning(epoch - Minutes{1}), -1);  // 23:59 of 1969-12-31
  EXPECT_EQ(first_interval_from(epoch), 0);
  EXPECT_EQ(first_interval_from(epoch + Minutes{1}), 1);
  EXPECT_EQ(first_interval_from(epoch - Minutes{14}), 0);
  // An instant on an interval's end belongs to it; a second later, to the next.
  EXPECT_EQ(interval_holding(Instant{epoch}), -1);
  EXPECT_EQ(interval_holding(Instant{epoch} + Seconds{1}), 0);
  EXPECT_EQ(interval_holding(Instant{at(1970, 1, 1, 15)}), 0);
  EXPECT_EQ(interval_holding(Instant{at(1970, 1, 1, 15)} + Seconds{1}), 1);
  // Day d holds the intervals 96 d to 96 d + 95: the one ending at 24:00 is the day's last.
  EXPECT_EQ(first_interval_of(Day{date::year{1970} / 1 / 2}), 96);
  EXPECT_EQ(day_of_interval(95), Day{date::year{1970} / 1 / 1});
  EXPECT_EQ(day_of_interval(96), Day{date::year{1970} / 1 / 2});
  EXPECT_EQ(day_of_interval(-1), Day{date::year{1969} / 12 / 31});
  EXPECT_EQ(day_of_interval(-96), Day{date::year{1969} / 12 / 31});
  EXPECT_EQ(day_of_interval(-97), Day{date::year{1969} / 12 / 30});
  EXPECT_EQ(day_of(at(1969, 12, 31, 1439)), Day{date::year{1969} / 12 / 31});
  EXPECT_EQ(interval_start(-1), at(1969, 12, 31, 1425));
  EXPECT_EQ(interval_end(-1), epoch);
  EXPECT_TRUE(on_grid(at(1969, 12, 31, 1425)));
  EXPECT_FALSE(on_grid(at(1969, 12, 31, 1426)));
  EXPECT_EQ(minute_of(Instant{epoch} - Seconds{1}), epoch - Minutes{1});
  EXPECT_EQ(intervals_per_day * interval_length, Days{1});
  EXPECT_EQ(seconds_per_interval, 900);
  EXPECT_EQ(seconds_per_day, 86400);
}

// Over times 2000 years either side of 1970, the conversions agree with one another and with
// floor division done in floating point.
TEST(Calendar, ConversionsAgreeOverRandomTimes) {
  std::mt19937_64 random(22);
  std::uniform_int_distribution<std::int64_t> minutes(-1'000'000'000, 1'000'000'000);
  std::uniform_int_distribution<std::int64_t> divisor(1, 100'000);
  for (int n = 0; n < 200'000; ++n) {
    const std::int64_t m = minutes(random);
    const std::int64_t b = divisor(random);
    ASSERT_EQ(floor_div(m, b), static_cast<std::int64_t>(std::floor(static_cast<long double>(m) / b))) << m << " " << b;
    const TimePoint t = at_minute(m);
    const IntervalIndex j = interval_beginning(t);
    ASSERT_TRUE(interval_start(j) <= t && t < interval_end(j)) << m;
    ASSERT_EQ(first_interval_from(t), on_grid(t) ? j : j + 1) << m;
    ASSERT_EQ(day_of_interval(j), day_of(interval_start(j))) << m;
    ASSERT_LE(first_interval_of(day_of(t)), j);
    ASSERT_LT(j, first_interval_of(day_of(t) + Days{1}));
    const Instant s = Instant{t} + Seconds{static_cast<int>(m % 60)};
    const IntervalIndex holding = interval_holding(s);
    ASSERT_TRUE(Instant{interval_start(holding)} < s && s <= Instant{interval_end(holding)}) << m;
  }
}

TEST(Calendar, OneFormatterFamily) {
  EXPECT_EQ(day_text(Day{date::year{2004} / 2 / 29}), "2004-02-29");
  EXPECT_EQ(day_text(Day{date::year{1} / 1 / 1}), "0001-01-01");
  EXPECT_EQ(minute_text(at(2001, 1, 1, 6 * 60)), "2001-01-01 06:00");
  EXPECT_EQ(minute_text(at(1969, 12, 31, 1439)), "1969-12-31 23:59");
  EXPECT_EQ(minute_text(at(9999, 12, 31, 1425)), "9999-12-31 23:45");
  EXPECT_EQ(second_text(at(2001, 1, 1)), "2001-01-01 00:00:00");
  EXPECT_EQ(second_text(Instant{at(2004, 4, 2, 20 * 60 + 34)} + Seconds{57}), "2004-04-02 20:34:57");
  EXPECT_EQ(stamp_text(Instant{at(2004, 4, 2, 20 * 60 + 34)} + Seconds{57}), "2004-04-02 20:34:57");
  EXPECT_EQ(stamp_text(Instant{at(2004, 4, 2, 20 * 60 + 34)}), "2004-04-02 20:34");
  EXPECT_EQ(stamp_text(Instant{at(1970, 1, 1)} - Seconds{1}), "1969-12-31 23:59:59");
}

TEST(Calendar, CivilDaysAreTheCalendarsOwn) {
  const struct {
    int year, month, day;
    bool exists;
  } dates[] = {{2004, 2, 29, true},  {2003, 2, 29, false}, {2000, 2, 29, true},  {1900, 2, 29, false},
               {2001, 4, 31, false}, {2001, 12, 31, true}, {2001, 13, 1, false}, {2001, 0, 1, false},
               {2001, 1, 0, false},  {0, 1, 1, true},      {9999, 12, 31, true}, {2001, 1, 32, false}};
  for (const auto& d : dates) {
    const std::optional<Day> day = civil_day(d.year, d.month, d.day);
    EXPECT_EQ(day.has_value(), d.exists) << d.year << "-" << d.month << "-" << d.day;
    if (day) {
      EXPECT_EQ(date::year_month_day{*day}, date::year{d.year} / d.month / d.day);
    }
  }
}

// What every tool's --start takes, and what it says of the rest.
TEST(Calendar, TheStartGrammar) {
  const struct {
    const char* text;
    const char* taken;  // minute_text of the start, or the message
  } cases[] = {
      {"2001-01-01", "2001-01-01 00:00"},
      {"2001-01-01 06:00", "2001-01-01 06:00"},
      {"2001-01-01T06:45", "2001-01-01 06:45"},
      {"2004-02-29 23:45", "2004-02-29 23:45"},
      {"0001-01-01", "0001-01-01 00:00"},
      {"9999-12-31 23:45", "9999-12-31 23:45"},
      {"2001-01-01 06:10", "--start '2001-01-01 06:10': day 1 begins on the 15-minute grid (minutes 00, 15, 30 or 45)"},
      {"2001-01-01 24:00", "--start '2001-01-01 24:00': no such time of day"},
      {"2001-01-01 23:60", "--start '2001-01-01 23:60': no such time of day"},
      {"2003-02-29", "--start '2003-02-29': no such date"},
      {"2003-13-01", "--start '2003-13-01': no such date"},
      {"0000-01-01", "--start '0000-01-01': no such date"},
      {"2001-01-01 6:00", "--start '2001-01-01 6:00': give the date as YYYY-MM-DD, or YYYY-MM-DD HH:MM"},
      {"2001-01-01 06:00:00", "--start '2001-01-01 06:00:00': give the date as YYYY-MM-DD, or YYYY-MM-DD HH:MM"},
      {"01/01/2001", "--start '01/01/2001': give the date as YYYY-MM-DD, or YYYY-MM-DD HH:MM"},
      {"2001-01-01_06:00", "--start '2001-01-01_06:00': give the date as YYYY-MM-DD, or YYYY-MM-DD HH:MM"},
      {"", "--start '': give the date as YYYY-MM-DD, or YYYY-MM-DD HH:MM"},
  };
  for (const auto& c : cases) {
    std::string taken;
    try {
      taken = minute_text(parse_start(c.text));
    } catch (const UsageError& e) {
      taken = e.what();
    }
    EXPECT_EQ(taken, c.taken) << c.text;
  }
  EXPECT_EQ(parse_start(default_start_text), default_start);
  EXPECT_EQ(default_start, at(2001, 1, 1));
}

// The writers' clock gives the fields of the calendar for times in order, day after day.
TEST(Calendar, CivilClockFollowsTheCalendar) {
  CivilClock clock;
  for (TimePoint t = at(1999, 12, 30, 7); t < at(2000, 3, 2); t += Minutes{15 * 7}) {
    const CivilMinute c = clock.at(t);
    const date::year_month_day ymd{day_of(t)};
    ASSERT_EQ(c.year, static_cast<unsigned>(static_cast<int>(ymd.year())));
    ASSERT_EQ(c.month, static_cast<unsigned>(ymd.month()));
    ASSERT_EQ(c.day, static_cast<unsigned>(ymd.day()));
    ASSERT_EQ(c.hour * 60 + c.minute, (t - day_of(t)).count());
  }
  EXPECT_THROW(CivilClock().at(at(10000, 1, 1)), ToolError);
  EXPECT_THROW(CivilClock().at(at(0, 12, 31, 1425)), ToolError);
  EXPECT_EQ(CivilClock().at(at(1, 1, 1)).year, 1u);
}

}  // namespace
