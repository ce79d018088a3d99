// The --start option: the calendar time at which day 1 of the table begins.
#pragma once

#include <string_view>

#include "gauge/calendar_series.h"

namespace raingen::exporting {

// "YYYY-MM-DD" (midnight) or "YYYY-MM-DD HH:MM" ("T" may stand for the blank), a real date in
// the years 1 to 9999, on the 15-minute grid. Throws UsageError naming what is wrong.
gauge::TimePoint parse_start(std::string_view text);

}  // namespace raingen::exporting
