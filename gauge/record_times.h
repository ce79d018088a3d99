// Times in gauge records: the forms the readers accept, read onto the calendar.
#pragma once

#include <string_view>

#include "calendar/time_point.h"

namespace raingen::gauge {

enum class TimeParse { ok, malformed, impossible };  // impossible: well formed, not on the calendar

// A date and a time of day: "YYYY-MM-DD hh:mm[:ss]" ("T" for the blank, a final "Z" allowed) or
// "dd/mm/yyyy hh:mm[:ss]" (day, month and hour may have one digit). 24:00 is the end of the day.
// The record's own clock, read as the calendar's (no zone).
TimeParse parse_instant(std::string_view text, calendar::Instant& time);

// parse_instant for the rows of one record, quicker: the date of the row before is remembered,
// and a time in fixed columns ("YYYY-MM-DD hh:mm[:ss]" or "dd/mm/yyyy hh:mm[:ss]") is read
// without searching. Any other text goes to parse_instant.
class InstantReader {
 public:
  TimeParse read(std::string_view text, calendar::Instant& time);

 private:
  char date_[10] = {};
  bool have_date_ = false;
  calendar::Day day_{};
};

// A date alone: "YYYY-MM-DD", "YYYYMMDD" or "dd/mm/yyyy"; a time of 00:00[:00] after it is
// allowed.
TimeParse parse_date(std::string_view text, calendar::Day& day);

// A time of day alone, "hh:mm[:ss]" (24:00 allowed): the time since midnight.
TimeParse parse_clock(std::string_view text, calendar::Seconds& of_day);

}  // namespace raingen::gauge
