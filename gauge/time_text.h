// Times in gauge records: the forms the readers accept, and the form messages show.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace raingen::gauge {

enum class TimeParse { ok, malformed, impossible };  // impossible: well formed, not on the calendar

// A date and a time of day: "YYYY-MM-DD hh:mm[:ss]" ("T" for the blank, a final "Z" allowed) or
// "dd/mm/yyyy hh:mm[:ss]" (day, month and hour may have one digit). 24:00 is the end of the day.
// Seconds since 1970-01-01 00:00 of the record's own clock.
TimeParse parse_instant(std::string_view text, std::int64_t& seconds);

// parse_instant for the rows of one record, quicker: the date of the row before is remembered,
// and a time in fixed columns ("YYYY-MM-DD hh:mm[:ss]" or "dd/mm/yyyy hh:mm[:ss]") is read
// without searching. Any other text goes to parse_instant.
class InstantReader {
 public:
  TimeParse read(std::string_view text, std::int64_t& seconds);

 private:
  char date_[10] = {};
  bool have_date_ = false;
  std::int64_t days_ = 0;
};

// A date alone: "YYYY-MM-DD", "YYYYMMDD" or "dd/mm/yyyy"; a time of 00:00[:00] after it is
// allowed. Days since 1970-01-01.
TimeParse parse_date(std::string_view text, std::int64_t& days);

// A time of day alone, "hh:mm[:ss]" (24:00 allowed): seconds since midnight.
TimeParse parse_clock(std::string_view text, std::int64_t& seconds);

// "YYYY-MM-DD hh:mm" for a time in minutes since 1970-01-01, for messages.
std::string minute_text(std::int64_t minutes);
// "YYYY-MM-DD" for a day number.
std::string day_text(std::int64_t days);

}  // namespace raingen::gauge
