#include "exporting/civil_clock.h"

#include "common/tool_error.h"

namespace raingen::exporting {

CivilMinute CivilClock::at(gauge::TimePoint t) {
  const date::sys_days day = date::floor<date::days>(t);
  if (!known_ || day != day_) {
    day_ = day;
    date_ = date::year_month_day(day);
    known_ = true;
    const int year = static_cast<int>(date_.year());
    if (year < 1 || year > 9999)
      throw common::ToolError(table_.path(), table_.line_number(), "a time stamp falls outside the years 1 to 9999");
  }
  const auto minutes = (t - day).count();
  return {static_cast<unsigned>(static_cast<int>(date_.year())), static_cast<unsigned>(date_.month()),
          static_cast<unsigned>(date_.day()), static_cast<unsigned>(minutes / 60),
          static_cast<unsigned>(minutes % 60)};
}

}  // namespace raingen::exporting
