#include "calendar/start_option.h"

#include <string>

#include "calendar/interval.h"
#include "common/tool_error.h"

namespace raingen::calendar {

namespace {

bool digits_at(std::string_view text, std::size_t at, std::size_t count, int& value) {
  value = 0;
  for (std::size_t k = at; k < at + count; ++k) {
    if (k >= text.size() || text[k] < '0' || text[k] > '9') return false;
    value = value * 10 + (text[k] - '0');
  }
  return true;
}

}  // namespace

TimePoint parse_start(std::string_view text) {
  const std::string quoted = "--start '" + std::string(text) + "': ";
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  const bool has_time = text.size() == 16;
  const bool shaped = (text.size() == 10 || has_time) && digits_at(text, 0, 4, year) && text[4] == '-' &&
                      digits_at(text, 5, 2, month) && text[7] == '-' && digits_at(text, 8, 2, day) &&
                      (!has_time || ((text[10] == ' ' || text[10] == 'T') && digits_at(text, 11, 2, hour) &&
                                     text[13] == ':' && digits_at(text, 14, 2, minute)));
  if (!shaped) throw common::UsageError(quoted + "give the date as YYYY-MM-DD, or YYYY-MM-DD HH:MM");
  const std::optional<Day> date = civil_day(year, month, day);
  if (year < 1 || !date) throw common::UsageError(quoted + "no such date");
  if (hour >= 24 || minute >= minutes_per_hour) throw common::UsageError(quoted + "no such time of day");
  const TimePoint start = *date + Minutes{hour * minutes_per_hour + minute};
  if (!on_grid(start))
    throw common::UsageError(quoted + "day 1 begins on the 15-minute grid (minutes 00, 15, 30 or 45)");
  return start;
}

}  // namespace raingen::calendar
