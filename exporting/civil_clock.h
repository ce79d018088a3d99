// Calendar fields of the writers' time stamps. Rows come in time order, so the date is worked
// out once per day and only the time of day per row.
#pragma once

#include <date/date.h>

#include "gauge/calendar_series.h"

namespace raingen::exporting {

struct CivilMinute {
  unsigned year;  // 1 to 9999: every format writes four digits
  unsigned month, day, hour, minute;
};

class CivilClock {
 public:
  // Throws ToolError for a time outside the years 1 to 9999.
  CivilMinute at(gauge::TimePoint t);

 private:
  date::sys_days day_{};
  date::year_month_day date_{};
  bool known_ = false;
};

}  // namespace raingen::exporting
