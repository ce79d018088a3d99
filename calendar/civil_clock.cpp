#include "calendar/civil_clock.h"

#include "common/tool_error.h"

namespace raingen::calendar {

CivilMinute CivilClock::at(TimePoint t) {
  const Day day = day_of(t);
  if (!known_ || day != day_) {
    day_ = day;
    date_ = date::year_month_day(day);
    known_ = true;
    const int year = static_cast<int>(date_.year());
    if (year < 1 || year > 9999) throw common::ToolError("a time stamp falls outside the years 1 to 9999");
  }
  const auto minutes = (t - day).count();
  return {static_cast<unsigned>(static_cast<int>(date_.year())), static_cast<unsigned>(date_.month()),
          static_cast<unsigned>(date_.day()), static_cast<unsigned>(minutes / minutes_per_hour),
          static_cast<unsigned>(minutes % minutes_per_hour)};
}

}  // namespace raingen::calendar
