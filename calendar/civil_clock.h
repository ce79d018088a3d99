// The calendar fields of times that come in order, for writers that put a stamp on every row:
// the date is worked out once per day and only the time of day per row.
#pragma once

#include "calendar/time_point.h"

namespace raingen::calendar {

struct CivilMinute {
  unsigned year;  // 1 to 9999: every format writes four digits
  unsigned month, day, hour, minute;
};

class CivilClock {
 public:
  // Throws ToolError for a time outside the years 1 to 9999.
  CivilMinute at(TimePoint t);

 private:
  Day day_{};
  date::year_month_day date_{};
  bool known_ = false;
};

}  // namespace raingen::calendar
