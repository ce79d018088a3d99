// The one way the tools write a time in their messages, summaries and pages, and in the CF
// description of their netCDF files: ISO 8601 dates with a blank before the time of day.
#pragma once

#include <string>

#include "calendar/time_point.h"

namespace raingen::calendar {

std::string day_text(Day d);           // "2001-01-01"
std::string minute_text(TimePoint t);  // "2001-01-01 06:00"
std::string second_text(Instant t);    // "2001-01-01 06:00:00"
// minute_text for a whole minute, else second_text: a reading's stamp as its record gave it.
std::string stamp_text(Instant t);

}  // namespace raingen::calendar
