// --start, when day 1 of the program's results begins: one grammar for every tool that puts the
// results on the calendar (raingen-export, raingen-ensemble, raingen-report), so that a file one
// of them writes is read by another given the same text.
#pragma once

#include <string_view>

#include "calendar/time_point.h"

namespace raingen::calendar {

inline constexpr TimePoint default_start = Day{date::year{2001} / 1 / 1};
inline constexpr const char* default_start_text = "2001-01-01 00:00";
inline constexpr const char* start_option_help = "when day 1 begins: 'YYYY-MM-DD[ HH:MM]' (default 2001-01-01 00:00)";

// "YYYY-MM-DD" (midnight) or "YYYY-MM-DD HH:MM" ("T" may stand for the blank), a real date in
// the years 1 to 9999, on the 15-minute grid. Throws UsageError naming what is wrong.
TimePoint parse_start(std::string_view text);

}  // namespace raingen::calendar
