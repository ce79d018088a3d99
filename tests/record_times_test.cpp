// The times of gauge records: the quick reader of a record's rows and the full parser agree on
// every text, well formed or damaged, and both agree with the calendar on what is a time; the
// boundaries of the day and of the minute worked by hand; the step told from the readings.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/tool_error.h"
#include "gauge/record_step.h"
#include "gauge/record_times.h"

namespace {

using namespace raingen::gauge;
using raingen::calendar::Instant;
using raingen::calendar::Minutes;
using raingen::calendar::Seconds;
using raingen::common::ToolError;

// A time as the record wrote it, and what the calendar says it is (none: not a time of it).
struct Written {
  std::string text;
  std::optional<Instant> time;
};

// Fields near their limits (month 0 and 13, day 0 to 32, hour 23 to 26, minute and second 59 to
// 61) in the fixed-column forms the quick reader takes, and in the forms only the parser takes.
Written random_time(std::mt19937& random) {
  const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  const auto near = [&](int low, int high) {  // a value at or beyond an end half the time
    if (pick(0, 1)) return pick(low, high);
    return low > 0 && pick(0, 1) ? low - pick(0, 1) : high + pick(0, 2);
  };
  const int year = pick(0, 1) ? pick(1995, 2005) : pick(0, 9999);
  const int month = near(1, 12), day = near(1, 31), hour = pick(0, 2) ? pick(0, 23) : pick(23, 26);
  const int minute = near(0, 59), second = near(0, 59);
  const bool seconds = pick(0, 2) > 0;
  std::string clock = fmt::format("{:02}:{:02}", hour, minute);
  if (seconds) clock += fmt::format(":{:02}", second);
  std::string text;
  switch (pick(0, 4)) {
    case 0: text = fmt::format("{:04}-{:02}-{:02} {}", year, month, day, clock); break;
    case 1: text = fmt::format("{:04}-{:02}-{:02}T{}Z", year, month, day, clock); break;
    case 2: text = fmt::format("{:02}/{:02}/{:04} {}", day, month, year, clock); break;
    case 3: text = fmt::format("{}/{}/{:04} {}", day, month, year, clock); break;  // one-digit day, month
    default: text = fmt::format("{:04}{:02}{:02} {}", year, month, day, clock); break;
  }
  Written w{text, std::nullopt};
  const date::year_month_day ymd{date::year{year}, date::month{static_cast<unsigned>(month)},
                                 date::day{static_cast<unsigned>(day)}};
  const int s = seconds ? second : 0;
  const bool clock_ok = minute <= 59 && s <= 59 && (hour < 24 || (hour == 24 && minute == 0 && s == 0));
  if (ymd.ok() && clock_ok) w.time = date::sys_days{ymd} + Seconds{hour * 3600 + minute * 60 + s};
  return w;
}

// The text with one character changed, dropped or added, or cut short.
std::string damaged(std::string text, std::mt19937& random) {
  const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  static const std::string characters = "0123456789:/- TZx";
  const char c = characters[static_cast<std::size_t>(pick(0, static_cast<int>(characters.size()) - 1))];
  const auto at = static_cast<std::size_t>(pick(0, static_cast<int>(text.size()) - 1));
  switch (pick(0, 3)) {
    case 0: text[at] = c; break;
    case 1: text.erase(at, 1); break;
    case 2: text.insert(at, 1, c); break;
    default: text.resize(at); break;
  }
  return text;
}

// What a parser made of a text, comparable across parsers.
std::string verdict(TimeParse status, Instant time) {
  switch (status) {
    case TimeParse::ok: return raingen::calendar::second_text(time);
    case TimeParse::malformed: return "malformed";
    case TimeParse::impossible: return "impossible";
  }
  return "?";
}

std::string slow(const std::string& text) {
  Instant t{};
  const TimeParse status = parse_instant(text, t);
  return verdict(status, t);
}

std::string fast(InstantReader& reader, const std::string& text) {
  Instant t{};
  const TimeParse status = reader.read(text, t);
  return verdict(status, t);
}

// Rows as a record holds them: runs of one date (the quick reader keeps the date of the row
// before), well formed or damaged. A reader kept over all the rows and a fresh one for each row
// say what the parser says, and for the well formed ones what the calendar says.
TEST(RecordTimes, QuickReaderAndParserAgreeOnRandomAndDamagedTimes) {
  std::mt19937 random(2022);
  InstantReader kept;
  long checked = 0, times = 0;
  for (int run = 0; run < 20'000; ++run) {
    const Written base = random_time(random);
    for (int row = 0; row < 8; ++row) {
      Written w = base;
      if (row > 0) {  // the same date, another time of day
        const Written other = random_time(random);
        const std::size_t date_end = base.text.find_first_of(" T");
        const std::size_t other_end = other.text.find_first_of(" T");
        w.text = base.text.substr(0, date_end) + other.text.substr(other_end);
        w.time.reset();
      }
      const bool damage = std::uniform_int_distribution<int>(0, 3)(random) == 0;
      if (damage) w.text = damaged(w.text, random);
      const std::string expected = slow(w.text);
      ASSERT_EQ(fast(kept, w.text), expected) << w.text;
      InstantReader fresh;
      ASSERT_EQ(fast(fresh, w.text), expected) << w.text;
      if (!damage && row == 0) {
        ASSERT_EQ(expected, w.time ? raingen::calendar::second_text(*w.time) : "impossible") << w.text;
        ++times;
      }
      ++checked;
    }
  }
  EXPECT_EQ(checked, 160'000);
  EXPECT_GT(times, 10'000);  // texts whose verdict the calendar gave, not only the parsers
}

// The limits of the day and of the minute, in every form, by both.
TEST(RecordTimes, BoundariesOfTheDayAndTheMinute) {
  const struct {
    const char* text;
    const char* verdict;
  } cases[] = {
      {"2016-05-01 24:00", "2016-05-02 00:00:00"},
      {"2016-05-01 24:00:00", "2016-05-02 00:00:00"},
      {"01/05/2016 24:00:00", "2016-05-02 00:00:00"},
      {"2016-12-31T24:00Z", "2017-01-01 00:00:00"},
      {"2016-05-01 24:00:01", "impossible"},
      {"2016-05-01 24:01", "impossible"},
      {"2016-05-01 25:00", "impossible"},
      {"2016-05-01 25:00:00", "impossible"},
      {"01/05/2016 25:00", "impossible"},
      {"2016-05-01 23:59:59", "2016-05-01 23:59:59"},
      {"2016-05-01 23:59:60", "impossible"},
      {"2016-05-01 00:00:60", "impossible"},
      {"2016-05-01 00:60", "impossible"},
      {"2016-05-01 00:59:59", "2016-05-01 00:59:59"},
      {"2016-02-29 12:00", "2016-02-29 12:00:00"},
      {"2015-02-29 12:00", "impossible"},
      {"31/04/2004 20:30:00", "impossible"},
      {"1969-12-31 23:59:59", "1969-12-31 23:59:59"},
      {"2016-05-01 0:15", "2016-05-01 00:15:00"},  // a one-digit hour: the parser's alone
      {"2016-05-01 00:15:", "malformed"},
      {"2016-05-01 00:1", "malformed"},
      {"2016-05-01  00:15", "malformed"},
  };
  for (const auto& c : cases) {
    InstantReader reader;
    EXPECT_EQ(slow(c.text), c.verdict) << c.text;
    EXPECT_EQ(fast(reader, c.text), c.verdict) << c.text;
  }
  Seconds of_day{};
  EXPECT_EQ(parse_clock("24:00", of_day), TimeParse::ok);
  EXPECT_EQ(of_day, Seconds{86400});
  for (const char* impossible : {"24:00:01", "24:01", "25:00", "23:59:60", "23:60"})
    EXPECT_EQ(parse_clock(impossible, of_day), TimeParse::impossible) << impossible;
  raingen::calendar::Day day{};
  EXPECT_EQ(parse_date("2016-05-01 00:00:00", day), TimeParse::ok);
  EXPECT_EQ(parse_date("2016-05-01 00:00:01", day), TimeParse::malformed);
  EXPECT_EQ(parse_date("2016-05-01 24:00", day), TimeParse::malformed);
}

// The step: the smallest spacing, named by the first line that shows it; readings out of order
// or coarser than 15 minutes are errors naming the line.
TEST(RecordTimes, TheStepOfAnIntervalRecord) {
  const auto step_of = [](const std::vector<int>& minutes) -> std::string {
    std::vector<Reading> readings;
    const raingen::calendar::TimePoint start = date::sys_days{date::year{2016} / 5 / 1};
    for (std::size_t k = 0; k < minutes.size(); ++k)
      readings.push_back({start + Minutes{minutes[k]}, 0.0, static_cast<long>(k + 2)});
    try {
      const auto step = infer_step("r.csv", readings);
      return step ? std::to_string(step->count()) : "none";
    } catch (const ToolError& e) {
      return raingen::common::located_message(e);
    }
  };
  EXPECT_EQ(step_of({}), "none");
  EXPECT_EQ(step_of({5}), "none");
  EXPECT_EQ(step_of({0, 1}), "1");
  EXPECT_EQ(step_of({0, 10, 15, 25}), "5");
  EXPECT_EQ(step_of({0, 15, 30}), "15");
  EXPECT_EQ(step_of({0, 60, 90, 130}), "r.csv:4: the record's step is 30 minutes; 15 minutes or finer is needed");
  EXPECT_EQ(step_of({0, 16}), "r.csv:3: the record's step is 16 minutes; 15 minutes or finer is needed");
  EXPECT_EQ(step_of({0, 5, 5}), "r.csv:4: time 2016-05-01 00:05 repeats the time of the reading before");
  EXPECT_EQ(step_of({0, 60, 30}),
            "r.csv:4: time 2016-05-01 00:30 comes before the time of the reading before "
            "(2016-05-01 01:00): readings must be in time order");
}

}  // namespace
