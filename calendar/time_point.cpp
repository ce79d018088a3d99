#include "calendar/time_point.h"

namespace raingen::calendar {

std::optional<Day> civil_day(int year, int month, int day) {
  if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
  const date::year_month_day ymd{date::year{year}, date::month{static_cast<unsigned>(month)},
                                 date::day{static_cast<unsigned>(day)}};
  if (!ymd.ok()) return std::nullopt;
  return Day{ymd};
}

}  // namespace raingen::calendar
