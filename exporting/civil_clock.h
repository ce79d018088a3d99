// Calendar fields of the writers' time stamps. Rows come in time order, so the date is worked
// out once per day and only the time of day per row.
#pragma once

#include <date/date.h>

#include "gauge/calendar_series.h"
#include "results/results_table.h"

namespace raingen::exporting {

struct CivilMinute {
  unsigned year;  // 1 to 9999: every format writes four digits
  unsigned month, day, hour, minute;
};

class CivilClock {
 public:
  // The times are those of table's rows: a time outside the years names the row at hand.
  explicit CivilClock(const results::ResultsTable& table) : table_(table) {}
  // Throws ToolError for a time outside the years 1 to 9999.
  CivilMinute at(gauge::TimePoint t);

 private:
  const results::ResultsTable& table_;
  date::sys_days day_{};
  date::year_month_day date_{};
  bool known_ = false;
};

}  // namespace raingen::exporting
